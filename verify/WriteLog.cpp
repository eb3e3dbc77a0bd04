#include "verify/WriteLog.h"

#include "platform/HostPath.h"

#include <ctime>

#include "engine/VornHtml.h"
#include "engine/Warnings.h"
#include "lib/Convert.h"
#include "lib/VornFileIo.h"
#include "lib/VornFileList.h"
#include "lib/VornFilePath.h"
#include "lib/VornText.h"
#include "platform/Cp932.h"
#include "platform/HostPath.h"
#include "platform/Program.h"
#include "platform/Text.h"

namespace HtmlLink {
namespace {

constexpr std::u16string_view kCrLf = u"\r\n";
constexpr std::u16string_view kVersionOpen = u" (Version ";
constexpr std::u16string_view kTitleTail = u") チェック結果";
constexpr std::u16string_view kSetNameLabel = u"チェックセット名";
constexpr std::u16string_view kBaseDirLabel = u"基準ディレクトリ";
constexpr std::u16string_view kDateLabel = u"日時";
constexpr std::u16string_view kLabelSeparator = u" : ";
constexpr std::u16string_view kColumns =
    u"ファイル名\t行数\tタグ名\t属性名\t属性値\tリンク先\t警告 ID\t警告内容";
constexpr std::u16string_view kFileMark = u"◆ ";
constexpr std::u16string_view kLineOpen = u"  【";
constexpr std::u16string_view kLineClose = u" 行目】 <";
constexpr std::u16string_view kTagTail = u"> タグ";
constexpr std::u16string_view kTagOf = u"> タグの ";
constexpr std::u16string_view kValueOf = u" 属性値 ";
constexpr std::u16string_view kTargetOpen = u" (→ ";
constexpr std::u16string_view kFootnote1 =
    u"（それぞれの警告メッセージの末尾に \"[]\" で警告番号を示してあります。";
constexpr std::u16string_view kFootnote2 =
    u"  ヘルプの「警告メッセージ一覧」で、各メッセージのより詳しい説明と";
constexpr std::u16string_view kFootnote3 = u"  対処法を読むことができます。）";
constexpr std::u16string_view kNoWarnings = u"（警告すべき点はありません）";
constexpr std::u16string_view kInterrupted =
    u"（チェックは途中で中止されました。中止までに調べた分だけを記録しています）";


// A name as the log can show it: a line break would cut a record or a block in two, so it is
// written as the link would write it (%0D, %0A), and a '\\' carried inside a name is shown as
// itself.
std::u16string Shown(std::u16string_view path) {
    std::u16string out;
    out.reserve(path.size());
    for (char16_t c : path) {
        if (c == u'\r') {
            out += u"%0D";
        } else if (c == u'\n') {
            out += u"%0A";
        } else {
            out += c == platform::kNameBackslash ? u'\\' : c;
        }
    }
    return out;
}

std::u16string Number(std::int64_t n) { return ToDecimal(n); }

std::u16string NowText() {
    const std::time_t now = std::time(nullptr);
    const std::tm* tm = std::localtime(&now);
    char buf[32];
    if (!tm || std::strftime(buf, sizeof buf, "%m-%d-%Y %H:%M:%S", tm) == 0) return {};
    return std::u16string(buf, buf + std::char_traits<char>::length(buf));
}

// Collects the log; plain text goes through the per-file block, records straight to the text.
class Log {
public:
    Log(std::u16string& text, std::uint8_t log_type) : text_(text), type_(log_type) {}

    bool Plain() const { return type_ != 1 && type_ != 2; }
    bool Ok() const { return ok_; }

    void Line(std::u16string_view s) {
        text_ += s;
        text_ += kCrLf;
    }

    // Fields joined by tabs; a CSV line when the log is comma-separated.
    void Record(std::initializer_list<std::u16string_view> fields) {
        std::u16string record;
        bool first = true;
        for (std::u16string_view f : fields) {
            if (!first) record += u'\t';
            record += f;
            first = false;
        }
        if (type_ == 1) {
            std::u16string csv = VornText::TabToCsv(record);
            // A record has at least two fields, so an empty line can only mean failure.
            if (csv.empty()) ok_ = false;
            record = std::move(csv);
        }
        Line(record);
    }

private:
    std::u16string& text_;
    std::uint8_t type_;
    bool ok_ = true;
};

void WriteAttribute(const AttrEntry& attr, const TagEntry& tag, const std::u16string& p, Log& log,
                    std::u16string& block, std::int32_t& count) {
    if (attr.Warnings.empty() || !InUse(attr.Warnings.front())) return;
    const std::u16string target = Shown(TargetColumn(attr));
    if (log.Plain()) {
        block += kLineOpen;
        block += Number(tag.Line);
        block += kLineClose;
        block += tag.Name;
        block += kTagOf;
        block += attr.Name;
        block += kValueOf;
        block += attr.Value;
        if (!target.empty()) {
            block += kTargetOpen;
            block += target;
            block += u')';
        }
        block += kCrLf;
    }
    const std::size_t n = UsedCount(attr.Warnings);
    for (std::size_t k = 0; k < n; ++k) {
        const WarningEntry& w = attr.Warnings[k];
        std::u16string label;
        if (w.Code != kNote) {
            ++count;
            label = Number(WarningNumber(kAttrLevel, w.Code));
        }
        if (log.Plain()) {
            block += u"    ";
            block += w.Text;
            if (!label.empty()) {
                block += u" [";
                block += label;
                block += u']';
            }
            block += kCrLf;
        } else {
            log.Record(
                {p, Number(tag.Line), tag.Name, attr.Name, attr.Value, target, label, w.Text});
        }
    }
    if (log.Plain()) block += kCrLf;
}

void WriteTag(const TagEntry& tag, const std::u16string& p, const RunContext& run, Log& log,
              std::u16string& block, std::int32_t& count) {
    const std::size_t nw = UsedCount(tag.Warnings);
    for (std::size_t k = 0; k < nw; ++k) {
        const WarningEntry& w = tag.Warnings[k];
        ++count;
        const std::u16string n = Number(WarningNumber(kTagLevel, w.Code));
        if (log.Plain()) {
            block += kLineOpen;
            block += Number(tag.Line);
            block += kLineClose;
            block += tag.Name;
            block += kTagTail;
            block += kCrLf;
            block += u"    ";
            block += w.Text;
            block += u" [";
            block += n;
            block += u']';
            block += kCrLf;
        } else {
            log.Record({p, Number(tag.Line), tag.Name, {}, {}, {}, n, w.Text});
        }
    }
    if (nw > 0 && log.Plain()) block += kCrLf;

    const std::size_t na = UsedCount(tag.Attrs);
    for (std::size_t a = 0; a < na; ++a) {
        const AttrEntry& attr = tag.Attrs[a];
        const std::u16string_view note = LogNote(attr, run);
        if (note.empty()) {
            WriteAttribute(attr, tag, p, log, block, count);
        } else {
            // Notes go to a copy: the run's tables stay as the checks left them.
            AttrEntry copy = attr;
            AddWarning(copy.Warnings, kNote, note);
            WriteAttribute(copy, tag, p, log, block, count);
        }
    }
}

void WriteFileEntry(const FileEntry& file, const RunContext& run, Log& log, std::u16string& text,
                    std::int32_t& count) {
    const std::u16string p = LogDisplayPath(file.Path, *run.Set, *run.Options);
    std::u16string block;
    const std::size_t nw = UsedCount(file.Warnings);
    for (std::size_t k = 0; k < nw; ++k) {
        const WarningEntry& w = file.Warnings[k];
        ++count;
        const std::u16string n = Number(WarningNumber(kFileLevel, w.Code));
        if (log.Plain()) {
            block += u"  ";
            block += w.Text;
            block += u" [";
            block += n;
            block += u']';
            block += kCrLf;
        } else {
            log.Record({p, {}, {}, {}, {}, {}, n, w.Text});
        }
    }
    if (nw > 0 && log.Plain()) block += kCrLf;

    // A file that could not be scanned has nothing more to say in plain text; the records
    // still list the tags a failed scan kept.
    if (!(log.Plain() && !block.empty() && file.Status >= 1)) {
        const std::size_t nt = UsedCount(file.Tags);
        for (std::size_t t = 0; t < nt; ++t) WriteTag(file.Tags[t], p, run, log, block, count);
    }

    if (log.Plain() && !block.empty()) {
        text += kFileMark;
        text += p;
        text += kCrLf;
        text += kCrLf;
        text += block;
    }
}

}  // namespace

std::u16string LogDisplayPath(std::u16string_view path, const CheckSet& set,
                              const Settings& opts) {
    std::u16string p(path);
    if (opts.TrimLogPath == 1) p.erase(0, std::min(p.size(), set.LocalPath.size()));
    if (opts.UseSlashLogPath == 1) p = VornFilePath::ConvertDelimiter(p, u"/");
    return Shown(p);
}

std::u16string_view LogNote(const AttrEntry& attr, const RunContext& run) {
    if (IsLocalLink(attr.Code) && run.LocalCheck) return msg::kNoteCancelled;
    if (IsRemoteLink(attr.Code)) {
        if (run.RemoteCheck) return msg::kNoteCancelled;
        if (run.Options->AlwaysLogRemoteLink == 1) return msg::kNoteRemote;
    }
    return {};
}

bool ComposeLog(const RunContext& run, std::u16string& text, std::int32_t& count) try {
    text.clear();
    count = 0;
    if (!run.Set || !run.Options || !run.Files) return false;
    const CheckSet& set = *run.Set;
    Log log(text, run.Options->LogType);

    text += platform::ProductName();
    text += kVersionOpen;
    text += Number(platform::VersionMajor());
    text += u'.';
    text += ToDecimalPadded(platform::VersionMinor(), 2);
    text += kTitleTail;
    text += kCrLf;
    text += kCrLf;

    const std::u16string when = run.LogDateTime.empty() ? NowText() : run.LogDateTime;
    if (log.Plain()) {
        const std::u16string rule(40, u'=');
        log.Line(rule);
        log.Line(std::u16string(kSetNameLabel) + std::u16string(kLabelSeparator) + set.Name);
        log.Line(std::u16string(kBaseDirLabel) + std::u16string(kLabelSeparator) +
                 Shown(set.LocalPath));
        log.Line(std::u16string(kDateLabel) + std::u16string(kLabelSeparator) + when);
        log.Line(rule);
        log.Line({});
    } else {
        log.Record({kSetNameLabel, set.Name});
        log.Record({kBaseDirLabel, Shown(set.LocalPath)});
        log.Record({kDateLabel, when});
        log.Line({});
        log.Record({kColumns});
    }

    // Directories the search could not list come first, each as a file with its one warning:
    // whatever lies below them was not checked.
    if (run.Unsearched) {
        for (const VornFileList::UnsearchedDirectory& d : *run.Unsearched) {
            FileEntry entry;
            entry.Path = d.Path;
            entry.Status = ScanReadFailed;
            if (d.TooLong) {
                AddWarning(entry.Warnings, kDirectoryTooLong, msg::kDirectoryTooLong);
            } else {
                AddWarning(entry.Warnings, kDirectoryUnreadable, msg::kDirectoryUnreadable);
            }
            WriteFileEntry(entry, run, log, text, count);
        }
    }
    for (const FileEntry& file : *run.Files) {
        if (!InUse(file)) break;
        WriteFileEntry(file, run, log, text, count);
    }

    if (count != 0) {
        text += kCrLf;
        text += std::u16string(40, u'-');
        text += kCrLf;
        text += kCrLf;
        log.Line(kFootnote1);
        log.Line(kFootnote2);
        log.Line(kFootnote3);
        if (run.Interrupted) {
            log.Line({});
            text += kInterrupted;
        }
    } else {
        // What a stopped run did not check may hold warnings: it is never called clean.
        text += kCrLf;
        text += run.Interrupted ? kInterrupted : kNoWarnings;
    }
    if (!log.Ok()) {
        text.clear();
        count = 0;
        return false;
    }
    return true;
} catch (...) {
    text.clear();
    count = 0;
    return false;
}

std::int32_t WriteLog(const RunContext& run, std::u16string_view path) try {
    if (path.empty()) return -1;
    std::u16string text;
    std::int32_t count = 0;
    if (!ComposeLog(run, text, count)) return -1;
    std::string bytes;
    if (run.Options->LogEncoding == kLogEncodingUtf8) {
        // Spreadsheets take a CSV file for UTF-8 only when it starts with a byte-order mark.
        if (run.Options->LogType == 1) bytes = "\xEF\xBB\xBF";
        bytes += platform::ToUtf8(text);
    } else {
        bytes = platform::Utf16ToCp932(text);
    }
    return VornFileIo::WriteFileReplacing(path, bytes) ? count : -1;
} catch (...) {
    return -1;
}

std::u16string TargetColumn(const AttrEntry& attr) try {
    if (!IsLink(attr.Code)) return {};
    const std::u16string_view w = VornHtml::Unquote(attr.Value);
    const std::u16string_view t = attr.Target;
    if (VornFileList::CompareFileNames(t, w) != 0) return attr.Target.str();
    const std::size_t h = w.find(u'#');
    // Equal under folding means equal lengths, so both can be cut at h.
    if (h == w.npos || h > t.size()) return {};
    if (t.substr(h) != w.substr(h)) return attr.Target.str();
    const bool same = IsLocalTarget(attr.Code)
                          ? VornFileList::CompareFileNames(t.substr(0, h), w.substr(0, h)) == 0
                          : CompareUrls(t.substr(0, h), w.substr(0, h)) == 0;
    return same ? std::u16string() : attr.Target.str();
} catch (...) {
    return {};
}

std::int16_t CompareUrls(std::u16string_view a, std::u16string_view b) try {
    if (a == b) return 0;
    const VornFilePath::PathSplit pa = VornFilePath::SplitPath(a, u"");
    const VornFilePath::PathSplit pb = VornFilePath::SplitPath(b, u"");
    const std::int16_t heads = VornFileList::CompareFileNames(pa.Head, pb.Head);
    if (heads != 0) return heads;
    const int rest = (pa.Directory + pa.Name).compare(pb.Directory + pb.Name);
    return rest < 0 ? -1 : rest > 0 ? 1 : 0;
} catch (...) {
    return 0;
}

}  // namespace HtmlLink
