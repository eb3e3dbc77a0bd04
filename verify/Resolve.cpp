#include "verify/Resolve.h"

#include <algorithm>
#include <cstring>

#include "engine/LinkTags.h"
#include "engine/VornHtml.h"
#include "engine/Warnings.h"
#include "lib/TextScan.h"
#include "lib/VornFileList.h"
#include "lib/VornFilePath.h"
#include "lib/VornText.h"
#include "lib/WebText.h"
#include "platform/Chars.h"

namespace HtmlLink {
namespace {

using VornText::Like;

// find of one character, eight at a time: every link's value and target goes through these.
std::size_t FindIn(std::u16string_view v, char16_t c, std::size_t from = 0) {
    static_assert(TextScan::kNotFound == std::u16string_view::npos);
    return TextScan::FindChar(v.data(), v.size(), from, c);
}

// The prefix tests every link goes through, written out: the wildcard matcher would interpret
// its pattern for each of them.
// 'c:' or 'c|' first.
bool StartsWithDrive(std::u16string_view v) {
    return v.size() >= 2 && IsAsciiLetter(v[0]) && (v[1] == u':' || v[1] == u'|');
}
// Two slashes of either kind, then a letter: '//server', '\\server'.
bool StartsWithServer(std::u16string_view v) {
    return v.size() >= 3 && IsPathSeparator(v[0]) && IsPathSeparator(v[1]) && IsAsciiLetter(v[2]);
}
bool StartsWithFileScheme(std::u16string_view v) {
    return v.size() >= 5 && AsciiLower(v[0]) == u'f' && AsciiLower(v[1]) == u'i' &&
           AsciiLower(v[2]) == u'l' && AsciiLower(v[3]) == u'e' && v[4] == u':';
}

std::u16string ServerSlashNeeded(const CheckSet& set) {
    std::u16string m(msg::kServerName);
    if (set.AllowLocalFullPath) m += msg::kOrDrive;
    m += msg::kSlashAfter;
    if (set.AllowBackSlash) m += msg::kOrBackslash;
    m += msg::kNeeded;
    return m;
}

std::u16string SchemeAndServerNeeded(const CheckSet& set) {
    std::u16string m(msg::kNeedsSchemeAndServer);
    if (set.AllowLocalFullPath) m += msg::kOrDrive;
    m += msg::kNeeded306;
    return m;
}

// 1-based position of the first character at or after `start` that is not '/'; one past the
// end when the run reaches it, 0 when `start` lies beyond the text.
std::size_t SkipSlashes(std::u16string_view v, std::size_t start) {
    if (start > v.size()) return 0;
    std::size_t i = start;
    while (i <= v.size() && v[i - 1] == u'/') ++i;
    return i;
}

// The first n characters of `path`, n being the length of `prefix`, equal `prefix` as file names.
// Equal characters are equal names, so the usual case needs no folding.
bool StartsWithFolded(std::u16string_view path, std::u16string_view prefix) {
    const std::u16string_view head = path.substr(0, prefix.size());
    return (head.size() == prefix.size() &&
            std::memcmp(head.data(), prefix.data(), prefix.size() * sizeof(char16_t)) == 0) ||
           VornFileList::CompareFileNames(head, prefix) == 0;
}

// A refresh delay alone: a decimal number, blanks allowed around it.
bool IsDelay(std::u16string_view v) {
    while (!v.empty() && (v.front() == u' ' || v.front() == u'\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == u' ' || v.back() == u'\t')) v.remove_suffix(1);
    return Like(v, u"#*") && !Like(v, u"*[!0-9.]*") && v.find(u'.') == v.rfind(u'.') &&
           v.back() != u'.';
}

bool IsATag(const TagEntry& tag) { return IsAsciiWord(tag.Name, u"a"); }

// A link the tag table does not have, kept only when pages are read as today's sites write
// them (srcset candidates, media, cite, stylesheet references).
bool IsTodaysLink(const TagEntry& tag, const AttrEntry& attr) {
    if (tag.DefIndex < 0 || static_cast<std::size_t>(tag.DefIndex) >= LinkTags.size()) return true;
    for (const LinkAttrDef& def : LinkTags[static_cast<std::size_t>(tag.DefIndex)].Attrs) {
        if (attr.Name.size() == def.Name.size() &&
            std::equal(attr.Name.begin(), attr.Name.end(), def.Name.begin(),
                       [](char16_t a, char16_t b) { return AsciiLower(a) == b; }))
            return false;
    }
    return true;
}

std::u16string LowerAscii(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = AsciiLower(c);
    return out;
}

// Edit distance of at most one (one letter changed, added or dropped).
bool WithinOneEdit(std::u16string_view a, std::u16string_view b) {
    if (a.size() < b.size()) std::swap(a, b);
    if (a.size() - b.size() > 1) return false;
    std::size_t i = 0;
    while (i < b.size() && a[i] == b[i]) ++i;
    if (a.size() == b.size()) return a.substr(i + 1) == b.substr(std::min(i + 1, b.size()));
    return a.substr(i + 1) == b.substr(i);
}

// A value that a browser would not take for http or https although its author meant one:
// 'htp:', 'httpis:', 'hhttps:', 'http;//', 'https//'.
bool IsMistypedScheme(std::u16string_view v) {
    std::size_t n = 0;
    while (n < v.size() && IsAsciiLetter(v[n])) ++n;
    if (n == 0 || n == v.size() || n > 8) return false;
    const std::u16string_view rest = v.substr(n);
    // Runs for every link: most are relative paths, told apart by what follows the letters.
    if (rest.front() != u':' && rest.front() != u';' && !rest.starts_with(u"//")) return false;
    const std::u16string scheme = LowerAscii(v.substr(0, n));
    if (scheme == u"http" || scheme == u"https")
        return rest.starts_with(u";") || rest.starts_with(u"//");
    if (rest.front() != u':' && rest.front() != u';') return false;
    // Schemes of their own that lie one letter away from http are none today; these are the
    // ones a page may carry that come near.
    static constexpr std::u16string_view kKnown[] = {u"ftp", u"ftps", u"sftp", u"tftp"};
    for (std::u16string_view k : kKnown) {
        if (scheme == k) return false;
    }
    return WithinOneEdit(scheme, u"http") || WithinOneEdit(scheme, u"https");
}

// The URL of a refresh content as the checker has always read it: a delay alone, or a delay,
// ';' and 'URL=' right after it (no blanks). False when malformed.
bool ParseStrictRefresh(std::u16string_view v, std::u16string_view& url, bool& to_self) {
    const std::size_t semi = v.find(u';');
    if (semi == std::u16string_view::npos) {
        to_self = IsDelay(v);
        return to_self;
    }
    const std::u16string_view rest = v.substr(semi + 1);
    if (rest.empty()) {
        to_self = true;
        return true;
    }
    if (!Like(rest, u"[Uu][Rr][Ll]=*")) return false;
    url = rest.substr(4);
    return true;
}

// The URL of a refresh content as browsers read it: a delay, blanks, ';' or ',', blanks, then
// optionally 'URL' and '=' with blanks around, and the URL, quoted or not. False when there is
// no delay; `to_self` when nothing follows it.
bool ParseRefresh(std::u16string_view v, std::u16string_view& url, bool& to_self) {
    auto skip = [&](std::size_t i) {
        while (i < v.size() && IsBlank(v[i])) ++i;
        return i;
    };
    std::size_t i = skip(0);
    const std::size_t digits = i;
    while (i < v.size() && ((v[i] >= u'0' && v[i] <= u'9') || v[i] == u'.')) ++i;
    if (i == digits) return false;
    i = skip(i);
    if (i < v.size() && (v[i] == u';' || v[i] == u',')) i = skip(i + 1);
    if (i == v.size()) {
        to_self = true;
        return true;
    }
    if (v.size() - i >= 3 && LowerAscii(v.substr(i, 3)) == u"url") {
        const std::size_t eq = skip(i + 3);
        if (eq < v.size() && v[eq] == u'=') i = skip(eq + 1);
    }
    std::u16string_view rest = v.substr(i);
    if (!rest.empty() && (rest.front() == u'"' || rest.front() == u'\'')) {
        const std::size_t close = rest.find(rest.front(), 1);
        rest = rest.substr(1, close == rest.npos ? rest.npos : close - 1);
    }
    while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
    if (rest.empty()) {
        to_self = true;
        return true;
    }
    url = rest;
    return true;
}

// Every separator of the other kind in text[from, to) made `wanted` ('/' or '\\').
void ToSeparator(std::u16string& text, char16_t wanted, std::size_t from = 0,
                 std::size_t to = std::u16string::npos) {
    const char16_t other = wanted == u'/' ? u'\\' : u'/';
    const auto end = text.begin() + static_cast<std::ptrdiff_t>(std::min(to, text.size()));
    std::replace(text.begin() + static_cast<std::ptrdiff_t>(from), end, other, wanted);
}

// Separators of the path from `from` on are converted; the fragment is the anchor's name and
// stays as written.
void ConvertPathPart(std::u16string& text, char16_t wanted, bool modern, std::size_t from = 0) {
    ToSeparator(text, wanted, from, modern ? FindIn(text, u'#', from) : std::u16string::npos);
}

// Buffers a thread keeps for the links it resolves, so that a link costs no text of its own
// until its target is stored.
struct ResolveBuffers {
    std::u16string value;     // the value, when it had to be decoded
    std::u16string resolved;  // a dotted path against the base
    std::u16string target;
};

ResolveBuffers& Buffers() {
    thread_local ResolveBuffers buffers;
    return buffers;
}

std::int32_t CheckBaseHrefOf(AttrEntry& attr, const CheckSet& set) {
    const std::u16string v(VornHtml::Unquote(attr.Value));
    const ReferenceKind kind = ClassifyReference(v);
    std::u16string target;
    std::int32_t code = kBaseUsable;
    std::u16string message;
    switch (kind) {
        case kLocalFullPathRef:
        case kFileUrlRef:
            if (!set.AllowLocalFullPath) {
                code = kBaseLocalFullPath;
                message = msg::kLocalFullPath;
            }
            target = v;
            break;
        case kUrlRef: {
            const std::size_t f = v.find(u"//");
            if (v.find_first_of(u"/\\", f + 2) != std::u16string::npos) {
                target = v;
            } else {
                code = kBaseNoSlash;
                message = ServerSlashNeeded(set);
            }
            break;
        }
        case kAbsolutePathRef:
            code = kBaseNoScheme;
            message = SchemeAndServerNeeded(set);
            break;
        case kRelativeRef:
            if (v.front() == u'.') {
                code = kBaseRelative;
                message = msg::kRelativeNotAllowed;
            } else {
                // A bare server name: the base is the root of that server.
                target = u"http://" + v;
                if (v.find_first_of(u"/\\") == std::u16string::npos) target += u'/';
            }
            break;
        case kSchemeOnlyRef:
            code = kBaseBadScheme;
            message = msg::kBadScheme;
            break;
        case kEmptyRef:
            code = kBaseEmpty;
            message = msg::kEmptyValue;
            break;
        default:
            code = kBaseFailed;
            message = msg::kValueUninterpretable;
            break;
    }
    if (!message.empty()) AddWarning(attr.Warnings, code, message);
    if (FindIn(target, u'\\') != std::u16string::npos) {
        const std::uint8_t s = CheckSeparators(target, set);
        if (s == 1) {
            code = kBaseBackslash;
            AddWarning(attr.Warnings, code, msg::kBackslash);
        } else if (s == 2) {
            code = kBaseMixedSeparators;
            AddWarning(attr.Warnings, code, msg::kMixedSeparators);
        }
    }
    if (kind == kLocalFullPathRef || kind == kFileUrlRef) {
        target = VornText::FileUrlToPath(target);
        // A conversion that fails must not pass for a usable base without a path.
        if (target.empty()) {
            attr.Code = kBaseFailed;
            attr.Target.clear();
            AddWarning(attr.Warnings, kBaseFailed, msg::kBaseHrefFailed);
            return kBaseFailed;
        }
    }
    attr.Code = code;
    attr.Target = std::move(target);
    return code;
}

// Resolves a value that begins with '../' against the base directory into `target`.
std::int32_t ResolveParent(std::u16string_view v, const BaseContext& base, const CheckSet& set,
                           std::u16string& target, std::u16string& message) {
    std::u16string& t = Buffers().resolved;
    const VornFilePath::ResolveResult r = base.Relative.Resolve(v, u"", t);
    if (r == VornFilePath::ResolveResult::AboveRoot) {
        message =
            std::u16string(msg::kAboveRoot1) + base.BaseHead + std::u16string(msg::kAboveRoot2);
        return kAboveRoot;
    }
    if (r != VornFilePath::ResolveResult::Resolved) {
        message = msg::kResolveFailed;
        return kResolveFailed;
    }
    if (base.UrlMapped) {
        // A link written with backslashes comes back in its own separator; the Url test needs
        // the URL form, or a target inside the site would pass for one above it.
        ToSeparator(t, u'/');
        if (t.starts_with(set.Url)) {
            target.assign(set.LocalPath);
            target.append(t, set.Url.size());
            ToSeparator(target, u'\\');
            return kLocalLink;
        }
        target.assign(t);
        if (set.CheckBaseDirOver) {
            message = std::u16string(msg::kAboveUrl1) + std::u16string(msg::kAboveUrl2);
        }
        return kAboveUrlLink;
    }
    target.assign(t);
    if (base.BaseKind == 2) {
        ToSeparator(target, u'/');
        return kRemoteLink;
    }
    ToSeparator(target, u'\\');
    if (StartsWithFolded(target, set.LocalPath)) return kLocalLink;
    if (set.CheckBaseDirOver) {
        message = std::u16string(msg::kAboveBaseDir1) + std::u16string(msg::kAboveBaseDir2);
    }
    return kAboveBaseDirLink;
}

// Which of the characters the resolution asks about a value holds, found in one pass.
struct ValueMarks {
    bool amp = false;
    bool backslash = false;
    bool at = false;
};

ValueMarks MarksOf(std::u16string_view v) {
    // Most values hold none of them; a look at eight characters at a time tells.
    const std::size_t first = TextScan::FindAny(v.data(), v.size(), 0, u'&', u'\\', u'@');
    if (first == TextScan::kNotFound) return {};
    bool amp = false, backslash = false, at = false;
    for (const char16_t c : v.substr(first)) {
        amp |= c == u'&';
        backslash |= c == u'\\';
        at |= c == u'@';
    }
    return {amp, backslash, at};
}

// `dots` dots, then a separator of either kind: './', '..\'.
bool StartsWithDotted(std::u16string_view v, std::size_t dots) {
    if (v.size() <= dots || !IsPathSeparator(v[dots])) return false;
    for (std::size_t i = 0; i < dots; ++i)
        if (v[i] != u'.') return false;
    return true;
}

std::int32_t ResolveLinkOf(FileEntry& file, TagEntry& tag, AttrEntry& attr, const BaseContext& base,
                           const CheckSet& set, PendingTargets* later) {
    if (attr.Name.empty()) {
        attr.Code = kAttrListEnd;
        return kAttrListEnd;
    }
    ResolveBuffers& buffers = Buffers();
    const bool modern = set.ModernHtml == 1;
    std::u16string_view v = VornHtml::Unquote(attr.Value);
    ValueMarks marks = MarksOf(v);
    // The value a browser follows; the log still shows it as written.
    if (modern && marks.amp) {
        buffers.value = WebText::DecodeCharRefs(v);
        v = buffers.value;
        marks = MarksOf(v);
    }

    // The scan keeps only refresh META tags, whose content is a delay and an optional URL.
    if (IsAsciiWord(tag.Name, u"meta")) {
        std::u16string_view url;
        bool to_self = false;
        if (!(modern ? ParseRefresh(v, url, to_self) : ParseStrictRefresh(v, url, to_self))) {
            attr.Code = kBadRefresh;
            AddWarning(attr.Warnings, kBadRefresh, msg::kBadRefresh);
            return kBadRefresh;
        }
        if (to_self) {
            attr.Target = file.Path;
            attr.Code = kLocalLink;
            return kLocalLink;
        }
        v = url;
        marks = MarksOf(v);
    }

    if (modern && IsMistypedScheme(v)) {
        attr.Code = kMistypedScheme;
        attr.Target.clear();
        AddWarning(attr.Warnings, kMistypedScheme, msg::kMistypedScheme);
        return kMistypedScheme;
    }

    const ReferenceKind kind = ClassifyReference(v);
    if (kind >= kLocalFullPathRef && kind <= kRelativeRef &&
        marks.backslash) {
        const std::uint8_t s = CheckSeparators(v, set);
        if (s == 1) {
            attr.Code = kBackslashLink;
            AddWarning(attr.Warnings, kBackslashLink, msg::kBackslash);
            return kBackslashLink;
        }
        if (s == 2) {
            attr.Code = kMixedSeparatorsLink;
            AddWarning(
                attr.Warnings, kMixedSeparatorsLink,
                std::u16string(msg::kMixedSeparators1) + std::u16string(msg::kMixedSeparators2));
            return kMixedSeparatorsLink;
        }
    }

    std::int32_t code = kLocalLink;
    std::u16string& target = buffers.target;
    target.clear();
    std::u16string message;
    const bool mail_allowed = IsATag(tag) || tag.RevMade;
    switch (kind) {
        case kLocalFullPathRef:
        case kFileUrlRef:
            if (!set.AllowLocalFullPath) {
                code = kLocalFullPathLink;
                message = msg::kLocalFullPath;
            }
            target.assign(v);
            break;
        case kUrlRef:
            code = kRemoteLink;
            target.assign(v);
            break;
        case kAbsolutePathRef:
            if (base.BaseKind == 0) {
                code = kBadBase;
                message = msg::kBadBaseAbsolute;
            } else if (base.BaseRoot.empty() && modern && set.Url.empty() &&
                       !set.LocalPath.empty()) {
                // No site URL: the base directory is the root a web server would serve.
                target.assign(set.LocalPath);
                if (target.back() == u'\\') target.pop_back();
                const std::size_t from = target.size();
                target += v;
                ConvertPathPart(target, u'\\', true, from);
            } else if (base.BaseRoot.empty()) {
                code = kNoRoot;
                message = std::u16string(msg::kNoRemoteUrl1) + std::u16string(msg::kNoRemoteUrl2);
            } else {
                target.assign(base.BaseRoot);
                target += v;
                code = IsLocalFullPath(base.BaseRoot) ? kLocalLink : kRemoteLink;
            }
            break;
        case kRelativeRef:
            // A browser loads 'img/hero@2x.png' as a file: in the links that only today's
            // pages have (srcset, stylesheets), such a value is a file name.
            if (marks.at && IsMailAddress(v) && !(modern && IsTodaysLink(tag, attr))) {
                if (mail_allowed) {
                    code = kAddressNoMailto;
                    message = msg::kAddressNeedsMailto;
                } else {
                    code = kMailNotAllowed;
                    message = msg::kMailNotAllowed;
                }
            } else if (base.BaseKind == 0) {
                code = kBadBase;
                message = msg::kBadBaseRelative;
            } else if (StartsWithDotted(v, 2)) {
                const std::size_t hash = modern ? FindIn(v, u'#') : std::u16string_view::npos;
                code = ResolveParent(v.substr(0, hash), base, set, target, message);
                if (hash != std::u16string_view::npos && !target.empty()) target += v.substr(hash);
            } else if (v.front() == u'#') {
                target.assign(file.Path);
                target += v;
            } else {
                if (StartsWithDotted(v, 1)) v.remove_prefix(2);
                target.assign(base.BaseDir);
                target += v;
                if (base.BaseKind == 2) {
                    code = kRemoteLink;
                    ConvertPathPart(target, u'/', modern);
                } else {
                    ConvertPathPart(target, u'\\', modern);
                }
            }
            break;
        case kSchemeOnlyRef:
            if (Like(v, u"[Mm][Aa][Ii][Ll][Tt][Oo]:*")) {
                if (!mail_allowed) {
                    code = kMailNotAllowed;
                    message = msg::kMailNotAllowed;
                } else if (IsMailAddress(v.substr(7))) {
                    code = kMailLink;
                } else {
                    code = kMailtoNoAddress;
                    if (set.CheckMailTo) message = msg::kMailtoNeedsAddress;
                }
            } else {
                code = kOtherScheme;
            }
            break;
        case kEmptyRef:
            code = kEmptyLink;
            message = msg::kEmptyValue;
            break;
        default:
            code = kResolveError;
            message = msg::kValueUninterpretable;
            break;
    }
    if (kind == kLocalFullPathRef || kind == kFileUrlRef) {
        target = VornText::FileUrlToPath(target);
        // An unconvertible path must not be verified as an empty target.
        if (target.empty()) {
            attr.Code = kResolveError;
            attr.Target.clear();
            AddWarning(attr.Warnings, kResolveError, msg::kValueUninterpretable);
            return kResolveError;
        }
    }
    if (!message.empty()) AddWarning(attr.Warnings, code, message);
    attr.Code = code;
    if (later)
        later->Add(attr, target);
    else
        attr.Target.AssignKnown(target);
    return code;
}

}  // namespace

ReferenceKind ClassifyReference(std::u16string_view v) noexcept try {
    if (v.empty()) return kEmptyRef;
    if (StartsWithDrive(v)) {
        if (v.size() == 2) return kLocalFullPathRef;
        return IsPathSeparator(v[2]) ? kLocalFullPathRef : kNotInterpretable;
    }
    if (StartsWithServer(v)) return kLocalFullPathRef;
    const std::size_t colon = FindIn(v, u':');
    // A ':' after a separator ('./a:b.htm', 'dir/a:b.htm') lies in a file name, as browsers
    // read it: the value is a path, not a scheme.
    if (colon == std::u16string_view::npos ||
        TextScan::FindAny(v.data(), colon, 0, u'\\', u'/', u'/') != TextScan::kNotFound)
        return (v[0] == u'\\' || v[0] == u'/') ? kAbsolutePathRef : kRelativeRef;

    for (std::size_t i = 0; i < colon; ++i) {
        if (!IsAsciiLetter(v[i])) return kNotInterpretable;
    }
    const std::size_t c = colon + 1;  // 1-based, as p
    const std::size_t p = SkipSlashes(v, c + 1);
    if (StartsWithFileScheme(v)) {
        if (p != 7 && p != 9) return kNotInterpretable;
        const std::u16string_view rest = v.substr(p - 1);
        if (!StartsWithServer(rest) && !StartsWithDrive(rest))
            return kNotInterpretable;
        switch (ClassifyReference(rest)) {
            case kLocalFullPathRef:
                return kFileUrlRef;
            case kEmptyRef:
                return kEmptyRef;
            default:
                return kNotInterpretable;
        }
    }
    if (p == c + 1) return kSchemeOnlyRef;
    if (p == c + 3) return kUrlRef;
    return kNotInterpretable;
} catch (...) {
    return kNotInterpretable;
}

std::uint8_t CheckSeparators(std::u16string_view v, const CheckSet& set) noexcept try {
    if (!set.AllowBackSlash) return 1;
    if (FindIn(v, u'/') == std::u16string_view::npos) return 0;
    if (Like(v, u"[Ff][Ii][Ll][Ee]:/*")) {
        // The slashes right after "file:" belong to the URL form, not to the path.
        std::size_t i = 5;
        while (i < v.size() && v[i] == u'/') ++i;
        return v.find(u'/', i) == std::u16string_view::npos ? 0 : 2;
    }
    return 2;
} catch (...) {
    return 0;
}

bool IsLocalFullPath(std::u16string_view v) noexcept {
    return Like(v, u"\\\\[A-Za-z]*") || Like(v, u"[A-Za-z]:*");
}

bool IsMailAddress(std::u16string_view v) noexcept try {
    if (FindIn(v, u'@') == std::u16string_view::npos) return false;
    v = v.substr(0, v.find(u'?'));
    const std::size_t at = v.find(u'@');
    if (at == std::u16string_view::npos) return false;
    return VornText::IsHostName(v.substr(at), false);
} catch (...) {
    return false;
}

std::u16string RootOf(std::u16string_view path) noexcept try {
    if (path.empty()) return {};
    return VornFilePath::SplitPath(path, u"").Head;
} catch (...) {
    return {};
}

std::int32_t CheckBaseHref(TagEntry& tag, std::int32_t attr_index, const CheckSet& set) noexcept {
    AttrEntry* attr = nullptr;
    try {
        attr = &tag.Attrs.at(static_cast<std::size_t>(attr_index));
        return CheckBaseHrefOf(*attr, set);
    } catch (...) {
    }
    if (attr != nullptr) {
        attr->Code = kBaseFailed;
        attr->Target.clear();
        AddWarning(attr->Warnings, kBaseFailed, msg::kBaseHrefFailed);
    }
    return kBaseFailed;
}

void CompleteBaseContext(BaseContext& base, bool base_tag_used, std::u16string_view base_url_head,
                         const CheckSet& set) noexcept {
    if (base.BaseKind == 0) return;
    try {
        base.BaseRoot = base_tag_used ? RootOf(base.BasePath) : std::u16string(base_url_head);
        base.BaseDir = VornFileList::GetDirectoryPart(base.BasePath, u"");
        // An empty LocalPath would make every base look inside it.
        base.UrlMapped = !set.Url.empty() && !set.LocalPath.empty() &&
                         StartsWithFolded(base.BasePath, set.LocalPath);
        std::u16string w;
        std::u16string s;
        if (base.UrlMapped) {
            w = VornFilePath::ConvertDelimiter(
                set.Url +
                    base.BasePath.substr(std::min(set.LocalPath.size(), base.BasePath.size())),
                u"/");
            s = u"/";
        } else {
            w = base.BasePath;
            s = VornFilePath::GetPathDelimiter(w);
        }
        const VornFilePath::PathSplit split = VornFilePath::SplitPath(w, s);
        base.BaseHead = split.Head;
        base.BaseParts.clear();
        VornFilePath::SplitString(split.Directory, s, base.BaseParts);
        base.Relative = VornFilePath::RelativeBase(base.BaseHead, base.BaseParts);
    } catch (...) {
        base = BaseContext{};
    }
}

void PendingTargets::Add(AttrEntry& attr, std::u16string_view target) {
    if (entries_.size() >= kBatch) Store();
    entries_.push_back({&attr, texts_.size(), target.size()});
    try {
        texts_ += target;
    } catch (...) {
        entries_.pop_back();
        throw;
    }
}

void PendingTargets::Store() {
    batch_.clear();
    for (const Entry& e : entries_)
        batch_.push_back({&e.attr->Target, std::u16string_view(texts_).substr(e.from, e.size)});
    TableText::AssignEach(batch_, true);
    Clear();
}

void PendingTargets::Clear() noexcept {
    entries_.clear();
    batch_.clear();
    // The long targets of a huge page do not keep their memory for the rest of the run.
    if (texts_.capacity() > kKeptText)
        std::u16string().swap(texts_);
    else
        texts_.clear();
}

std::int32_t ResolveLink(FileEntry& file, std::int32_t tag_index, std::int32_t attr_index,
                         const BaseContext& base, const CheckSet& set,
                         PendingTargets* later) noexcept {
    AttrEntry* attr = nullptr;
    try {
        TagEntry& tag = file.Tags.at(static_cast<std::size_t>(tag_index));
        attr = &tag.Attrs.at(static_cast<std::size_t>(attr_index));
        return ResolveLinkOf(file, tag, *attr, base, set, later);
    } catch (...) {
    }
    if (attr != nullptr) {
        attr->Code = kResolveError;
        attr->Target.clear();
        AddWarning(attr->Warnings, kResolveError, msg::kValueUninterpretable);
    }
    return kResolveError;
}

}  // namespace HtmlLink
