#include "lib/VornFilePath.h"
#include "platform/Chars.h"

#include <algorithm>

#include "lib/Convert.h"
#include "lib/VornFileList.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/Program.h"

namespace VornFilePath {
namespace {

// find_last_of(u"/\\") written out: every link resolved asks it.
size_t FindLastSeparator(std::u16string_view path) {
    for (size_t i = path.size(); i-- > 0;) {
        if (IsPathSeparator(path[i])) return i;
    }
    return std::u16string_view::npos;
}

constexpr std::u16string_view kEnterPathName = u"パス名を入力してください。";
constexpr std::u16string_view kDriveNotLetter = u"ドライブ名にはアルファベットを使ってください。";
constexpr std::u16string_view kBadDriveOrComputer =
    u"ドライブ名／ネットワーク・コンピュータ名の記述が不正です。";
constexpr std::u16string_view kNoShareName = u"共有名を指定してください。";
constexpr std::u16string_view kBadPathName = u"パス名の記述が不正です。";
constexpr std::u16string_view kInFileName = u"ファイル名に";
constexpr std::u16string_view kInDirectoryName = u"ディレクトリ名に";
constexpr std::u16string_view kEmptyNameUsed = u"空文字列が使われています。";
constexpr std::u16string_view kSeparatorMarks = uR"(「\」「/」「<」「>」「"」「|」「:」)";
constexpr std::u16string_view kCannotBeUsed = u"を使うことはできません。";
constexpr std::u16string_view kListMarksUsed = u"「;」「,」を使うことはできません。";
constexpr std::u16string_view kWildcardsUsed = u"「*」「?」を使うことはできません。";
constexpr std::u16string_view kInvalidCharacters = u"不正な文字が使われています。";
constexpr std::u16string_view kSpacesOnly = u"半角スペースのみの名前は使えません。";
constexpr std::u16string_view kSpaceAtEdge = u"半角スペースで開始／終了する名前は使えません。";
constexpr std::u16string_view kInvalidDescription = u"不正な記述があります。";
constexpr std::u16string_view kUnknownError = u"未知のエラーです。";

// Every entry but directories, then every entry: hidden, system and read-only ones included.
constexpr std::uint8_t kAnyFile = platform::kReadOnly | platform::kHidden | platform::kSystem;
constexpr std::uint8_t kAnyEntry = kAnyFile | platform::kDirectory;


bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool IsBareDrive(std::u16string_view s) { return s.size() == 2 && IsAsciiLetter(s[0]) && s[1] == u':'; }

// 'http:', 'abc:def': a letter first and a colon somewhere.
bool LetterThenColon(std::u16string_view s) {
    return !s.empty() && IsAsciiLetter(s[0]) && s.find(u':') != s.npos;
}

// 'http://host...': a letter first, then a colon followed by '//'.
bool LooksLikeUrlWithHost(std::u16string_view s) {
    if (s.empty() || !IsAsciiLetter(s[0])) return false;
    const size_t colon = s.find(u"://", 1);
    return colon != s.npos;
}

bool IsFileScheme(std::u16string_view s) {
    if (s.size() < 5 || s[4] != u':') return false;
    const std::u16string_view word = u"file";
    for (size_t i = 0; i < 4; ++i) {
        if ((s[i] | 0x20) != word[i]) return false;
    }
    return true;
}

// The drive of the system ('C:'); empty when the Windows directory cannot be found.
std::u16string SystemDrive() {
    const std::u16string windows = GetSpecialDirectory(u"windows");
    return windows.size() >= 2 ? windows.substr(0, 2) : std::u16string();
}

// Appends list[first..end) joined by the separator, building no string of its own.
void AppendRange(std::u16string& out, const std::vector<std::u16string>& list,
                 std::u16string_view separator, size_t first, size_t end) {
    for (size_t i = first; i < end; ++i) {
        if (i > first) out += separator;
        out += list[i];
    }
}

std::u16string JoinRange(const std::vector<std::u16string>& list, std::u16string_view separator,
                         size_t first, size_t end) {
    std::u16string out;
    AppendRange(out, list, separator, first, end);
    return out;
}

PathSplit SplitPathWith(std::u16string_view path, const std::u16string& separator);

// Head and remainder of a path; the remainder is what SplitPath cuts into directory and name.
void SplitHead(std::u16string_view path, const std::u16string& separator, std::u16string& head,
               std::u16string& remainder) {
    head.clear();
    remainder.clear();
    if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == u':') {
        head = path.substr(0, 2);
        remainder = path.substr(2);
    } else if (!LetterThenColon(path)) {
        if (path.size() >= 3 && path[0] == u'\\' && path[1] == u'\\' && IsAsciiLetter(path[2])) {
            const std::int32_t cut = InStrNth(1, path, u"\\", 4);
            if (cut > 0) {
                head = path.substr(0, cut - 1);
                remainder = path.substr(cut - 1);
            } else {
                head = path;
            }
        } else {
            remainder = path;
        }
    } else if (IsFileScheme(path)) {
        // The drive mark of 'file:///C|/...' or 'file:/C:/...'.
        for (size_t i = 4; i + 2 < path.size(); ++i) {
            if ((path[i] == u':' || path[i] == u'/') && IsAsciiLetter(path[i + 1]) &&
                (path[i + 2] == u'|' || path[i + 2] == u':')) {
                head = path.substr(0, i + 3);
                remainder = path.substr(i + 3);
                return;
            }
        }
        const size_t unc = path.find(u"\\\\", 4);
        if (unc != path.npos) {
            // 'file://\\srv\share\...': the network name after the scheme is the head.
            const PathSplit inner = SplitPathWith(path.substr(unc), separator);
            head = std::u16string(path.substr(0, unc)) + inner.Head;
            remainder = inner.Directory + inner.Name;
        } else {
            remainder = path;
        }
    } else if (LooksLikeUrlWithHost(path)) {
        const std::int32_t cut = InStrNth(1, path, u"/", 3);
        if (cut > 0) {
            head = path.substr(0, cut - 1);
            remainder = path.substr(cut - 1);
        } else {
            head = path;
        }
    } else {
        remainder = path;
    }
}

PathSplit SplitPathWith(std::u16string_view path, const std::u16string& separator) {
    PathSplit out;
    std::u16string remainder;
    SplitHead(path, separator, out.Head, remainder);
    if (separator.empty()) {
        out.Name = remainder;
    } else {
        // The name is what follows the last separator; the directory keeps that separator.
        const size_t cut = remainder.rfind(separator[0]);
        if (cut == remainder.npos) {
            out.Name = remainder;
        } else {
            out.Directory = remainder.substr(0, cut + 1);
            out.Name = remainder.substr(cut + 1);
        }
    }
    if (out.Directory.empty() && !out.Head.empty() && !out.Name.empty()) {
        // 'C:foo' is relative to the drive's current directory: all name, no head.
        out.Name = out.Head + out.Name;
        out.Head.clear();
    }
    return out;
}

std::u16string FindLastSerialIn(std::u16string_view prefix, int digits,
                                std::u16string_view extension) {
    for (char16_t lead = u'9'; lead >= u'0'; --lead) {
        std::u16string listing(prefix);
        listing += lead;
        listing.append(static_cast<size_t>(digits - 1), u'?');
        listing += extension;
        std::vector<platform::DirEntry> entries;
        // A directory holding the name takes the serial as much as a file does.
        if (platform::Fs().List(listing, kAnyEntry, entries) != platform::ListResult::Ok) continue;
        for (const platform::DirEntry& e : entries) {
            const std::u16string& name = e.Name;
            if (name.empty() || name[0] == u'.') continue;
            if (name.size() < extension.size() + static_cast<size_t>(digits)) continue;
            const std::u16string_view serial = std::u16string_view(name).substr(
                name.size() - extension.size() - digits, static_cast<size_t>(digits));
            if (!std::all_of(serial.begin(), serial.end(), IsAsciiDigit)) continue;
            if (digits == 1) return std::u16string(serial);
            std::u16string next(prefix);
            next += serial[0];
            const std::u16string rest = FindLastSerialIn(next, digits - 1, extension);
            // The entry may have gone meanwhile; a shorter answer would be a wrong serial.
            if (rest.size() == static_cast<size_t>(digits - 1)) return serial[0] + rest;
        }
    }
    return {};
}

}  // namespace

std::u16string GetSpecialDirectory(std::u16string_view folder_word) try {
    std::u16string word(folder_word);
    for (char16_t& c : word) c = AsciiLower(c);
    platform::SpecialFolder folder;
    if (word == u"windows") {
        folder = platform::SpecialFolder::Windows;
    } else if (word == u"temp" || word == u"tmp") {
        folder = platform::SpecialFolder::Temp;
    } else if (word == u"desktop") {
        folder = platform::SpecialFolder::Desktop;
    } else if (word == u"mydocument" || word == u"mydocuments" || word == u"my document" ||
               word == u"my documents") {
        folder = platform::SpecialFolder::Documents;
    } else {
        return {};
    }
    std::u16string dir = platform::SpecialFolderPath(folder);
    const size_t nul = dir.find(u'\0');
    if (nul != dir.npos) dir.resize(nul);
    // A folder that cannot be found is a failure, not the root of the current drive.
    if (dir.empty()) return {};
    if (dir.back() != u'\\') dir += u'\\';
    return dir;
} catch (...) {
    return {};
}

std::u16string GetPathDelimiter(std::u16string_view path) try {
    // A ':' after a separator is part of a name (Linux allows it), never a drive or scheme mark.
    size_t i = FindLastSeparator(path);
    if (i == path.npos) i = path.rfind(u':');
    if (i == path.npos) return {};
    return std::u16string(1, path[i]);
} catch (...) {
    return {};
}

std::u16string GetFullPath(std::u16string_view path) try {
    const PathSplit p = SplitPath(path, u"\\");
    if (!p.Head.empty() && p.Directory.empty() && p.Name.empty())
        return std::u16string(path) + u"\\";
    if (!p.Head.empty()) return std::u16string(path);
    if (!p.Directory.empty() && p.Directory[0] == u'\\') {
        const std::u16string drive = SystemDrive();
        if (drive.empty()) return {};
        return drive + std::u16string(path);
    }
    std::u16string dir = platform::ProgramDirectory();
    if (dir.empty()) return {};
    if (dir.back() != u'\\') dir += u'\\';
    return dir + std::u16string(path);
} catch (...) {
    return {};
}

std::u16string SplitExtension(std::u16string_view file_name, std::u16string& base) try {
    const size_t dot = file_name.rfind(u'.');
    if (dot == file_name.npos) {
        base = file_name;
        return {};
    }
    base = file_name.substr(0, dot);
    return std::u16string(file_name.substr(dot));
} catch (...) {
    base.clear();
    return {};
}

PathKind GetPathKind(std::u16string_view path) noexcept try {
    if (path.empty()) return PathKind::None;
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    if (path.empty()) return PathKind::None;
    if (path.find_first_of(u"*?") != path.npos) {
        // Linux names may hold '*' and '?': such a name is looked up as it is, never as a
        // pattern that could answer for other files.
        platform::DirEntry e;
        if (!platform::Fs().Stat(path, e)) return PathKind::None;
        return (e.Attributes & platform::kDirectory) ? PathKind::Directory : PathKind::File;
    }
    std::vector<platform::DirEntry> entries;
    if (IsBareDrive(path)) {
        // The drive itself is no entry; it exists when its root lists.
        const std::u16string root = std::u16string(path) + u"\\*";
        return platform::Fs().List(root, kAnyEntry, entries) == platform::ListResult::Ok &&
                       !entries.empty()
                   ? PathKind::Directory
                   : PathKind::None;
    }
    // One listing with directories answers both questions: a name lists as one entry at most.
    if (platform::Fs().List(path, kAnyEntry, entries) != platform::ListResult::Ok ||
        entries.empty())
        return PathKind::None;
    for (const platform::DirEntry& e : entries)
        if (!(e.Attributes & platform::kDirectory)) return PathKind::File;
    return PathKind::Directory;
} catch (...) {
    return PathKind::None;
}

std::u16string JoinStrings(const std::vector<std::u16string>& list, std::u16string_view separator,
                           std::int32_t first, std::int32_t last) try {
    if (list.empty()) return {};
    const std::int32_t upper = static_cast<std::int32_t>(list.size()) - 1;
    first = std::max<std::int32_t>(first, 0);
    last = std::min(last, upper);
    if (last < first) last = first;
    if (first > upper) return {};
    return JoinRange(list, separator, static_cast<size_t>(first), static_cast<size_t>(last) + 1);
} catch (...) {
    return {};
}

std::u16string ConvertDelimiter(std::u16string_view path, std::u16string_view wanted) try {
    std::u16string out(path);
    const bool to_slash = wanted == u"/";
    std::replace(out.begin(), out.end(), to_slash ? u'\\' : u'/', to_slash ? u'/' : u'\\');
    return out;
} catch (...) {
    return {};
}

ResolveResult ResolveRelativePath(std::u16string_view head, const std::vector<std::u16string>& base,
                                  std::u16string_view relative, std::u16string_view separator,
                                  std::u16string& resolved) try {
    return RelativeBase(head, base).Resolve(relative, separator, resolved);
} catch (...) {
    resolved.clear();
    return ResolveResult::Failed;
}

RelativeBase::RelativeBase(std::u16string_view head, const std::vector<std::u16string>& base)
    : joined_(head), head_(head.size()) {
    ends_.reserve(base.size());
    for (const std::u16string& piece : base) {
        joined_ += piece;
        ends_.push_back(joined_.size());
        joined_ += u'\\';
    }
}

void RelativeBase::AppendBase(std::u16string& out, std::size_t pieces,
                              std::u16string_view separator, bool trailing) const {
    if (separator.size() == 1) {
        // One copy, then the separators put in.
        const std::size_t from = out.size();
        out.append(joined_, 0, pieces == 0 ? head_ : ends_[pieces - 1]);
        for (std::size_t i = 0; i + 1 < pieces; ++i) out[from + ends_[i]] = separator[0];
    } else {
        out.append(joined_, 0, head_);
        for (std::size_t i = 0; i < pieces; ++i) {
            if (i > 0) out += separator;
            const std::size_t start = i == 0 ? head_ : ends_[i - 1] + 1;
            out.append(joined_, start, ends_[i] - start);
        }
    }
    if (trailing) out += separator;
}

ResolveResult RelativeBase::Resolve(std::u16string_view relative, std::u16string_view separator,
                                    std::u16string& resolved) const noexcept try {
    resolved.clear();
    const bool dot_led = StartsWith(relative, u"./") || StartsWith(relative, u".\\") ||
                         StartsWith(relative, u"../") || StartsWith(relative, u"..\\");
    if (!dot_led) {
        const std::u16string own = GetPathDelimiter(relative);
        std::u16string sep(separator);
        if (sep.empty()) sep = own.empty() ? u"\\" : own;
        PathSplit p = SplitPath(relative, own);
        if (own != sep) p.Directory = ConvertDelimiter(p.Directory, sep);
        if (!p.Head.empty()) {
            resolved = std::move(p.Head);
        } else if (!p.Directory.empty() && IsPathSeparator(p.Directory[0])) {
            resolved = SystemDrive();
        } else {
            AppendBase(resolved, ends_.size(), sep, false);
        }
        resolved += p.Directory;
        resolved += p.Name;
        return ResolveResult::Resolved;
    }

    // A colon in a query or fragment ('../a.htm#x:y') is no separator of a dotted path: the
    // pieces are cut at the link's last separator kind only.
    const std::size_t last = FindLastSeparator(relative);
    const char16_t own = relative[last];
    const std::u16string_view sep = separator.empty() ? relative.substr(last, 1) : separator;
    if (ends_.empty()) return ResolveResult::Failed;
    const bool root_first = ends_[0] == head_;  // the first piece is empty: an absolute base
    std::int64_t level = static_cast<std::int64_t>(ends_.size()) - 1;
    constexpr std::size_t kAllDots = std::u16string_view::npos;
    std::size_t rest = 0;  // where the first piece that is not a dot begins
    while (rest != kAllDots) {
        const std::size_t cut = relative.find(own, rest);
        const std::u16string_view piece =
            relative.substr(rest, cut == relative.npos ? relative.npos : cut - rest);
        if (piece == u"..") {
            if ((root_first && level == 1) || level - 1 < 0) {
                resolved = SystemDrive();
                resolved += sep;
                resolved += relative.substr(last + 1);
                return ResolveResult::AboveRoot;
            }
            --level;
        } else if (piece != u".") {
            break;
        }
        rest = cut == relative.npos ? kAllDots : cut + 1;
    }
    // Up to level 0 of a relative base ('a/') nothing of it is left, not even its first name;
    // of an absolute one the root of its host or drive.
    AppendBase(resolved, static_cast<std::size_t>(level), sep, level > 0 || root_first);
    if (rest == kAllDots) return ResolveResult::Resolved;
    const std::u16string_view tail = relative.substr(rest);
    if (sep.size() == 1) {
        const std::size_t from = resolved.size();
        resolved += tail;
        if (sep[0] != own) std::replace(resolved.begin() + from, resolved.end(), own, sep[0]);
    } else {
        for (std::size_t at = 0;;) {
            const std::size_t cut = tail.find(own, at);
            resolved += tail.substr(at, cut == tail.npos ? tail.npos : cut - at);
            if (cut == tail.npos) break;
            resolved += sep;
            at = cut + 1;
        }
    }
    return ResolveResult::Resolved;
} catch (...) {
    resolved.clear();
    return ResolveResult::Failed;
}

std::int32_t InStrNth(std::int32_t start, std::u16string_view text, std::u16string_view search,
                      std::int32_t n) try {
    if (text.empty() || search.empty() || start <= 0 || n <= 0) return 0;
    if (static_cast<size_t>(start) > text.size()) return 0;
    size_t pos = text.find(search, static_cast<size_t>(start) - 1);
    for (std::int32_t k = 1; k < n && pos != text.npos; ++k) pos = text.find(search, pos + 1);
    return pos == text.npos ? 0 : static_cast<std::int32_t>(pos + 1);
} catch (...) {
    return 0;
}

PathSplit SplitPath(std::u16string_view path, std::u16string_view separator) try {
    std::u16string sep(separator);
    if (sep.empty()) sep = GetPathDelimiter(path);
    if (sep.size() > 1) return {};
    return SplitPathWith(path, sep);
} catch (...) {
    return {};
}

std::int32_t SplitString(std::u16string_view text, std::u16string_view delimiter,
                         std::vector<std::u16string>& list) try {
    if (text.empty() || delimiter.size() > 1) return 0;
    std::vector<std::u16string> pieces;
    if (delimiter.empty()) {
        pieces.emplace_back(text);
    } else {
        size_t from = 0;
        for (;;) {
            const size_t cut = text.find(delimiter[0], from);
            if (cut == text.npos) break;
            pieces.emplace_back(text.substr(from, cut - from));
            from = cut + 1;
        }
        pieces.emplace_back(text.substr(from));
    }
    list = std::move(pieces);
    return static_cast<std::int32_t>(list.size());
} catch (...) {
    return 0;
}

std::u16string TrimBlanksAndQuotes(std::u16string_view value) try {
    constexpr std::u16string_view blanks = u"\t \"";
    const size_t first = value.find_first_not_of(blanks);
    if (first == value.npos) return {};
    const size_t last = value.find_last_not_of(blanks);
    return std::u16string(value.substr(first, last - first + 1));
} catch (...) {
    return {};
}

std::uint8_t CheckName(std::u16string_view name, bool forbid_separator_marks,
                       bool forbid_wildcards) try {
    if (name.empty()) return 1;
    if (name.find_first_of(uR"(/\<>"|:)") != name.npos) return 2;
    if (forbid_separator_marks && name.find_first_of(u";,") != name.npos) return 3;
    if (forbid_wildcards && name.find_first_of(u"*?") != name.npos) return 4;
    size_t spaces = 0;
    for (char16_t c : name) {
        if (platform::IsCp932Control(c)) return 5;
        if (c == u' ') ++spaces;
    }
    if (spaces == name.size()) return 6;
    if (name.front() == u' ' || name.back() == u' ') return 7;
    return 0;
} catch (...) {
    return 8;
}

std::int32_t CheckPathName(std::u16string_view path, bool forbid_separator_marks,
                           bool forbid_wildcards_in_directories,
                           bool forbid_wildcards_in_name) try {
    if (path.empty()) return 1;
    const PathSplit p = SplitPath(path, u"\\");
    const std::u16string& head = p.Head;
    if (head.size() == 2 && head[1] == u':') {
        if (!IsAsciiLetter(head[0])) return 2;
    } else if (!head.empty()) {
        if (head.size() < 3 || head[0] != u'\\' || head[1] != u'\\' || head[2] == u'\\') return 3;
        const size_t share = head.find(u'\\', 3);
        if (share == head.npos || share + 1 == head.size()) return 4;
    }
    if (!p.Directory.empty()) {
        std::vector<std::u16string> parts;
        SplitString(p.Directory, u"\\", parts);
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            if (i == 0 && parts[i].empty()) continue;
            const std::uint8_t code =
                CheckName(parts[i], forbid_separator_marks, forbid_wildcards_in_directories);
            if (code != 0) return 100 + code;
        }
    }
    if (!p.Name.empty()) {
        const std::uint8_t code =
            CheckName(p.Name, forbid_separator_marks, forbid_wildcards_in_name);
        if (code != 0) return 200 + code;
    }
    return 0;
} catch (...) {
    return 5;
}

std::u16string GetPathErrorMessage(std::int32_t code, bool name_level) try {
    if (code == 0) return {};
    static constexpr std::u16string_view path_messages[] = {
        {}, kEnterPathName, kDriveNotLetter, kBadDriveOrComputer, kNoShareName};
    static constexpr std::u16string_view name_messages[] = {
        {},          kEmptyNameUsed, {}, kListMarksUsed, kWildcardsUsed, kInvalidCharacters,
        kSpacesOnly, kSpaceAtEdge};
    std::u16string message;
    if (!name_level) {
        if (code < 100) {
            return std::u16string(code >= 1 && code <= 4 ? path_messages[code] : kBadPathName);
        }
        message = code >= 200 ? kInFileName : kInDirectoryName;
        code %= 100;
    }
    if (code == 2) {
        message += kSeparatorMarks;
        message += kCannotBeUsed;
    } else {
        message += code >= 1 && code <= 7 ? name_messages[code] : kInvalidDescription;
    }
    return message;
} catch (...) {
    return std::u16string(kUnknownError);
}

std::u16string MakeUniqueFileName(std::u16string_view path_template, std::u16string_view separator,
                                  int digits, std::u16string_view new_extension,
                                  std::u16string_view directory,
                                  std::optional<std::int64_t> first_number) try {
    if (digits < 0 || digits > 9) return {};
    const PathSplit p = SplitPath(path_template, u"");
    std::u16string target = directory.empty() ? p.Head + p.Directory : std::u16string(directory);
    if (GetPathKind(target) != PathKind::Directory) target = platform::ProgramDirectory();
    if (target.empty() || target.back() != u'\\') target += u'\\';
    std::int64_t first = first_number ? std::max<std::int64_t>(*first_number, 0) : 0;
    if (separator.empty() && digits == 0) return target + p.Name;

    std::u16string base;
    const std::u16string old_extension = SplitExtension(p.Name, base);
    const size_t dots = std::min(new_extension.find_first_not_of(u'.'), new_extension.size());
    const std::u16string_view wanted = new_extension.substr(dots);
    const std::u16string extension = wanted.empty() ? old_extension : u"." + std::u16string(wanted);
    const std::u16string mark(separator.substr(0, 1));

    if (digits == 0) {
        // Probed with the extension it will carry, so a new extension never lands on a file.
        std::u16string name = target + base;
        while (GetPathKind(name + extension) != PathKind::None) name += mark;
        return name + extension;
    }
    const std::u16string prefix = target + base + mark;
    for (int n = digits; n <= 9; ++n) {
        const std::u16string last = FindLastSerial(prefix, n, extension);
        if (last.empty()) return prefix + ToDecimalPadded(first, n) + extension;
        std::int64_t value = 0;
        if (!ParseDecimal(last, value)) return {};
        std::int64_t limit = 1;
        for (int i = 0; i < n; ++i) limit *= 10;
        if (value < first) value = first - 1;
        // Past the width ('999', or a first number too wide) the next width is searched too.
        if (value + 1 < limit) return prefix + ToDecimalPadded(value + 1, n) + extension;
        first = std::max(limit, value + 1);
    }
    return {};
} catch (...) {
    return {};
}

std::u16string FindLastSerial(std::u16string_view prefix, int digits,
                              std::u16string_view extension) try {
    if (digits < 1 || digits > 9) return {};
    return FindLastSerialIn(prefix, digits, extension);
} catch (...) {
    return {};
}

OpenResult OpenDocument(std::u16string_view file) try {
    if (GetPathKind(file) != PathKind::File) return OpenResult::NotAFile;
    platform::Shell* shell = platform::InstalledShell();
    if (!shell) return OpenResult::Failed;
    const std::u16string directory = VornFileList::GetDirectoryPart(file, u"");
    return shell->Open(file, directory) ? OpenResult::Opened : OpenResult::Failed;
} catch (...) {
    return OpenResult::Failed;
}

}  // namespace VornFilePath

namespace VornFileList {

std::u16string GetDirectoryPart(std::u16string_view path, std::u16string_view separator) try {
    std::u16string sep(separator);
    if (sep.empty()) sep = VornFilePath::GetPathDelimiter(path);
    const VornFilePath::PathSplit p = VornFilePath::SplitPath(path, sep);
    std::u16string out = p.Head + p.Directory;
    if (!out.empty() && !sep.empty() && !out.ends_with(sep)) out += sep;
    return out;
} catch (...) {
    return {};
}

std::u16string MakeSafeFileName(std::u16string_view text) try {
    const size_t first = text.find_first_not_of(u' ');
    if (first == text.npos) return u"_";
    std::u16string name(text.substr(first, text.find_last_not_of(u' ') - first + 1));
    if (name[0] == u'.') name[0] = u'．';
    const std::uint8_t code = VornFilePath::CheckName(name, true, true);
    if (code == 0) return name;
    if (code < 2 || code > 4) return u"_";
    constexpr std::u16string_view from = uR"(\/<>"|:;,*?)";
    constexpr std::u16string_view to = u"￥／＜＞”｜：；，＊？";
    for (char16_t& c : name) {
        const size_t i = from.find(c);
        if (i != from.npos) c = to[i];
    }
    // The marks came first in the check; a control character behind them still spoils the name.
    return VornFilePath::CheckName(name, true, true) == 0 ? name : u"_";
} catch (...) {
    return u"_";
}

}  // namespace VornFileList
