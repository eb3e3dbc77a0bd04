#include "verify/WriteLog.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "engine/VornHtml.h"
#include "engine/Warnings.h"
#include "lib/Convert.h"
#include "lib/Parallel.h"
#include "lib/VornFileIo.h"
#include "lib/VornFileList.h"
#include "lib/VornFilePath.h"
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

constexpr bool ChangedWhenShown(char16_t c) {
    return c == u'\r' || c == u'\n' || c == platform::kNameBackslash;
}

// A name as the log can show it: a line break would cut a record or a block in two, so it is
// written as the link would write it (%0D, %0A), and a '\\' carried inside a name is shown as
// itself.
void AppendShown(std::u16string& out, std::u16string_view path) {
    for (char16_t c : path) {
        if (c == u'\r') {
            out += u"%0D";
        } else if (c == u'\n') {
            out += u"%0A";
        } else {
            out += c == platform::kNameBackslash ? u'\\' : c;
        }
    }
}

std::u16string Shown(std::u16string_view path) {
    std::u16string out;
    out.reserve(path.size());
    AppendShown(out, path);
    return out;
}

// `text` as shown, in `scratch` only when showing changes it.
std::u16string_view ShownView(std::u16string_view text, std::u16string& scratch) {
    if (std::none_of(text.begin(), text.end(), ChangedWhenShown)) return text;
    scratch.clear();
    AppendShown(scratch, text);
    return scratch;
}

// A number as text without a string of its own: a log has a few of them per record.
class Decimal {
public:
    explicit Decimal(std::int64_t n) {
        std::uint64_t v = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
        do {
            buf_[--at_] = static_cast<char16_t>(u'0' + v % 10);
            v /= 10;
        } while (v);
        if (n < 0) buf_[--at_] = u'-';
    }
    std::u16string_view View() const { return {buf_ + at_, sizeof buf_ / sizeof buf_[0] - at_}; }

private:
    char16_t buf_[24];
    std::size_t at_ = 24;
};

std::u16string NowText() {
    const std::time_t now = std::time(nullptr);
    const std::tm* tm = std::localtime(&now);
    char buf[32];
    if (!tm || std::strftime(buf, sizeof buf, "%m-%d-%Y %H:%M:%S", tm) == 0) return {};
    return std::u16string(buf, buf + std::char_traits<char>::length(buf));
}

void AppendDisplayPath(std::u16string& out, std::u16string_view path, const CheckSet& set,
                       const Settings& opts) {
    if (opts.TrimLogPath == 1) path.remove_prefix(std::min(path.size(), set.LocalPath.size()));
    const bool slash = opts.UseSlashLogPath == 1;
    out.reserve(out.size() + path.size());
    for (char16_t c : path) {
        // The delimiters turn first, so a '\\' carried inside a name stays a '\\'.
        if (slash && c == u'\\') {
            out += u'/';
        } else if (ChangedWhenShown(c)) {
            AppendShown(out, std::u16string_view(&c, 1));
        } else {
            out += c;
        }
    }
}

// The target column as a view of the attribute's target: empty when there is nothing to show.
std::u16string_view TargetView(const AttrEntry& attr) {
    if (!IsLink(attr.Code)) return {};
    const std::u16string_view w = VornHtml::Unquote(attr.Value);
    const std::u16string_view t = attr.Target;
    if (VornFileList::CompareFileNames(t, w) != 0) return t;
    const std::size_t h = w.find(u'#');
    // Equal under folding means equal lengths, so both can be cut at h.
    if (h == w.npos || h > t.size()) return {};
    if (t.substr(h) != w.substr(h)) return t;
    const bool same = IsLocalTarget(attr.Code)
                          ? VornFileList::CompareFileNames(t.substr(0, h), w.substr(0, h)) == 0
                          : CompareUrls(t.substr(0, h), w.substr(0, h)) == 0;
    return same ? std::u16string_view() : t;
}

// A CSV field as a spreadsheet reads it back: quoted unless it is digits alone.
void AppendCsvField(std::u16string& out, std::u16string_view field) {
    if (std::all_of(field.begin(), field.end(),
                    [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
        out += field;
        return;
    }
    out += u'"';
    for (std::size_t from = 0;;) {
        const std::size_t quote = field.find(u'"', from);
        out += field.substr(from, quote - from);
        if (quote == field.npos) break;
        out += u"\"\"";
        from = quote + 1;
    }
    out += u'"';
}

// Writes the log's lines into one text; plain text in blocks per file, the others as records.
class Log {
public:
    Log(std::u16string& text, std::uint8_t log_type) : text_(text), type_(log_type) {}

    bool Plain() const { return type_ != 1 && type_ != 2; }
    std::u16string& Text() { return text_; }

    void Line(std::u16string_view s) {
        text_ += s;
        text_ += kCrLf;
    }

    // Fields joined by tabs; a CSV line when the log is comma-separated, where a tab inside a
    // field parts it as the tab between two fields does.
    void Record(std::initializer_list<std::u16string_view> fields) {
        bool first = true;
        for (std::u16string_view f : fields) {
            if (type_ != 1) {
                if (!first) text_ += u'\t';
                text_ += f;
            } else {
                for (std::size_t from = 0;;) {
                    if (!first || from > 0) text_ += u',';
                    const std::size_t tab = f.find(u'\t', from);
                    AppendCsvField(text_, f.substr(from, tab - from));
                    if (tab == f.npos) break;
                    from = tab + 1;
                }
            }
            first = false;
        }
        text_ += kCrLf;
    }

    // The files' entries, each in the order the run found them.
    void File(const FileEntry& file, const RunContext& run) {
        path_.clear();
        AppendDisplayPath(path_, file.Path, *run.Set, *run.Options);
        const std::size_t start = text_.size();
        if (Plain()) {
            // The block's heading goes first and is taken back if nothing follows it.
            text_ += kFileMark;
            text_ += path_;
            text_ += kCrLf;
            text_ += kCrLf;
        }
        const std::size_t body = text_.size();
        const std::size_t nw = UsedCount(file.Warnings);
        for (std::size_t k = 0; k < nw; ++k) {
            const WarningEntry& w = file.Warnings[k];
            ++count;
            const Decimal n(WarningNumber(kFileLevel, w.Code));
            if (Plain()) {
                Message(u"  ", w.Text, n.View());
            } else {
                Record({path_, {}, {}, {}, {}, {}, n.View(), w.Text});
            }
        }
        if (nw > 0 && Plain()) text_ += kCrLf;

        // A file that could not be scanned has nothing more to say in plain text; the records
        // still list the tags a failed scan kept.
        if (!(Plain() && text_.size() > body && file.Status >= 1)) {
            const std::size_t nt = UsedCount(file.Tags);
            for (std::size_t t = 0; t < nt; ++t) Tag(file.Tags[t], run);
        }
        if (Plain() && text_.size() == body) text_.resize(start);
    }

    std::int32_t count = 0;

private:
    // A warning's line in plain text, its number in brackets; a note has none.
    void Message(std::u16string_view indent, std::u16string_view text, std::u16string_view number) {
        text_ += indent;
        text_ += text;
        if (!number.empty()) {
            text_ += u" [";
            text_ += number;
            text_ += u']';
        }
        text_ += kCrLf;
    }

    void Tag(const TagEntry& tag, const RunContext& run) {
        const Decimal line(tag.Line);
        const std::size_t nw = UsedCount(tag.Warnings);
        for (std::size_t k = 0; k < nw; ++k) {
            const WarningEntry& w = tag.Warnings[k];
            ++count;
            const Decimal n(WarningNumber(kTagLevel, w.Code));
            if (Plain()) {
                text_ += kLineOpen;
                text_ += line.View();
                text_ += kLineClose;
                text_ += tag.Name;
                text_ += kTagTail;
                text_ += kCrLf;
                Message(u"    ", w.Text, n.View());
            } else {
                Record({path_, line.View(), tag.Name, {}, {}, {}, n.View(), w.Text});
            }
        }
        if (nw > 0 && Plain()) text_ += kCrLf;

        const std::size_t na = UsedCount(tag.Attrs);
        for (std::size_t a = 0; a < na; ++a)
            Attribute(tag.Attrs[a], tag, line, LogNote(tag.Attrs[a], run));
    }

    // The note is written after the attribute's warnings, as if it were the next one in its
    // list: where the list has a free slot before its last entry, it is not shown.
    void Attribute(const AttrEntry& attr, const TagEntry& tag, const Decimal& line,
                   std::u16string_view note) {
        const std::size_t n = UsedCount(attr.Warnings);
        const bool with_note = !note.empty() && n + 1 >= attr.Warnings.size();
        if (n == 0 && !with_note) return;
        const std::u16string_view target = ShownView(TargetView(attr), target_);
        if (Plain()) {
            text_ += kLineOpen;
            text_ += line.View();
            text_ += kLineClose;
            text_ += tag.Name;
            text_ += kTagOf;
            text_ += attr.Name;
            text_ += kValueOf;
            text_ += attr.Value;
            if (!target.empty()) {
                text_ += kTargetOpen;
                text_ += target;
                text_ += u')';
            }
            text_ += kCrLf;
        }
        for (std::size_t k = 0; k < n + (with_note ? 1 : 0); ++k) {
            const bool is_note = k == n || attr.Warnings[k].Code == kNote;
            const std::u16string_view message = k == n ? note : attr.Warnings[k].Text.view();
            Decimal number(0);
            std::u16string_view label;
            if (!is_note) {
                ++count;
                number = Decimal(WarningNumber(kAttrLevel, attr.Warnings[k].Code));
                label = number.View();
            }
            if (Plain()) {
                Message(u"    ", message, label);
            } else {
                Record(
                    {path_, line.View(), tag.Name, attr.Name, attr.Value, target, label, message});
            }
        }
        if (Plain()) text_ += kCrLf;
    }

    std::u16string& text_;
    std::uint8_t type_;
    std::u16string path_;    // the file's path as shown
    std::u16string target_;  // a target that showing changed
};

// The title, the check set, the date and, in records, the names of the columns.
void WriteHead(const RunContext& run, Log& log) {
    std::u16string& text = log.Text();
    text += platform::ProductName();
    text += kVersionOpen;
    text += Decimal(platform::VersionMajor()).View();
    text += u'.';
    text += ToDecimalPadded(platform::VersionMinor(), 2);
    text += kTitleTail;
    text += kCrLf;
    text += kCrLf;

    const CheckSet& set = *run.Set;
    const std::u16string when = run.LogDateTime.empty() ? NowText() : run.LogDateTime;
    const std::u16string base = Shown(set.LocalPath);
    if (log.Plain()) {
        const std::u16string rule(40, u'=');
        log.Line(rule);
        for (const auto& [label, value] : {std::pair{kSetNameLabel, std::u16string_view(set.Name)},
                                           {kBaseDirLabel, base},
                                           {kDateLabel, when}}) {
            text += label;
            text += kLabelSeparator;
            log.Line(value);
        }
        log.Line(rule);
        log.Line({});
    } else {
        log.Record({kSetNameLabel, set.Name});
        log.Record({kBaseDirLabel, base});
        log.Record({kDateLabel, when});
        log.Line({});
        log.Record({kColumns});
    }
}

// The footnotes, or the word that there is nothing to warn about.
void WriteTail(const RunContext& run, std::int32_t count, Log& log) {
    std::u16string& text = log.Text();
    if (count != 0) {
        text += kCrLf;
        text.append(40, u'-');
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
}

// Counted: only the number of warnings is wanted, and each part's text goes once counted.
enum class Encoding : std::uint8_t { None, Cp932, Utf8, Counted };

std::string Encoded(std::u16string_view text, Encoding encoding) {
    return encoding == Encoding::Utf8 ? platform::ToUtf8(text) : platform::Utf16ToCp932(text);
}

// One run of the log's files, composed and encoded on one thread.
struct Part {
    std::u16string text;
    std::string bytes;
    std::int32_t count = 0;
    bool ok = false;
};

// The log as text (Encoding::None) or as the bytes of its file in pieces, to be written one
// after the other: a big site's log is tens of megabytes, not worth holding twice. The files
// are cut into parts that the threads compose and encode at once; a part ends at the end of a
// line, so no character is cut in two and the pieces in order are exactly the whole log encoded.
bool Compose(const RunContext& run, unsigned threads, Encoding encoding, std::u16string& text,
             std::vector<std::string>& pieces, std::int32_t& count) {
    text.clear();
    pieces.clear();
    count = 0;
    if (!run.Set || !run.Options || !run.Files) return false;
    const std::uint8_t type = run.Options->LogType;

    // Directories the search could not list come first, each as a file with its one warning:
    // whatever lies below them was not checked.
    std::vector<FileEntry> unsearched;
    if (run.Unsearched) {
        unsearched.resize(run.Unsearched->size());
        for (std::size_t k = 0; k < unsearched.size(); ++k) {
            const VornFileList::UnsearchedDirectory& d = (*run.Unsearched)[k];
            FileEntry& entry = unsearched[k];
            entry.Path = d.Path;
            entry.Status = ScanReadFailed;
            const bool too_long = d.TooLong;
            if (AddWarning(entry.Warnings, too_long ? kDirectoryTooLong : kDirectoryUnreadable,
                           too_long ? msg::kDirectoryTooLong : msg::kDirectoryUnreadable))
                return false;
        }
    }
    std::vector<const FileEntry*> entries;
    entries.reserve(unsearched.size() + run.Files->size());
    for (const FileEntry& entry : unsearched) entries.push_back(&entry);
    for (const FileEntry& file : *run.Files) {
        if (!InUse(file)) break;
        entries.push_back(&file);
    }

    threads = parallel::ThreadCount(threads);
    // A few parts per thread, so that a thread with a heavy part does not hold the rest up.
    const std::vector<std::size_t> cuts =
        parallel::Cuts(entries.size(), threads == 1 ? 1 : threads * 4,
                       [&](std::size_t k) { return entries[k]->Tags.size() + 1; });
    std::vector<Part> parts(cuts.size() - 1);
    parallel::OnThreads(
        parts.size(), threads,
        [&](std::size_t k) noexcept {
            Part& part = parts[k];
            try {
                Log log(part.text, type);
                for (std::size_t i = cuts[k]; i < cuts[k + 1]; ++i) log.File(*entries[i], run);
                part.count = log.count;
                if (encoding == Encoding::Counted) {
                    std::u16string().swap(part.text);
                } else if (encoding != Encoding::None) {
                    part.bytes = Encoded(part.text, encoding);
                    std::u16string().swap(part.text);
                }
                part.ok = true;
            } catch (...) {
                part.ok = false;
            }
        },
        [&]() noexcept {
            // The code page's table is built on first use; meanwhile the helpers compose.
            if (encoding == Encoding::Cp932) {
                try {
                    platform::Utf16ToCp932(u"");
                } catch (...) {
                }
            }
        });

    std::int32_t total = 0;
    for (const Part& part : parts) {
        if (!part.ok) return false;
        total += part.count;
    }
    if (encoding == Encoding::Counted) {
        count = total;
        return true;
    }
    std::u16string head, tail;
    Log head_log(head, type);
    WriteHead(run, head_log);
    Log tail_log(tail, type);
    WriteTail(run, total, tail_log);

    if (encoding == Encoding::None) {
        std::size_t size = head.size() + tail.size();
        for (const Part& part : parts) size += part.text.size();
        text.reserve(size);
        text += head;
        for (Part& part : parts) {
            text += part.text;
            std::u16string().swap(part.text);
        }
        text += tail;
    } else {
        // Spreadsheets take a CSV file for UTF-8 only when it starts with a byte-order mark.
        const std::string_view mark = encoding == Encoding::Utf8 && type == 1 ? "\xEF\xBB\xBF" : "";
        pieces.reserve(parts.size() + 2);
        pieces.push_back(std::string(mark) + Encoded(head, encoding));
        for (Part& part : parts) pieces.push_back(std::move(part.bytes));
        pieces.push_back(Encoded(tail, encoding));
    }
    count = total;
    return true;
}

}  // namespace

std::u16string LogDisplayPath(std::u16string_view path, const CheckSet& set, const Settings& opts) {
    std::u16string p;
    AppendDisplayPath(p, path, set, opts);
    return p;
}

std::u16string_view LogNote(const AttrEntry& attr, const RunContext& run) {
    if (IsLocalLink(attr.Code) && run.LocalCheck) return msg::kNoteCancelled;
    if (IsRemoteLink(attr.Code)) {
        if (run.RemoteCheck) return msg::kNoteCancelled;
        if (run.Options->AlwaysLogRemoteLink == 1) return msg::kNoteRemote;
    }
    return {};
}

bool ComposeLog(const RunContext& run, std::u16string& text, std::int32_t& count,
                unsigned threads) try {
    std::vector<std::string> unused;
    return Compose(run, threads, Encoding::None, text, unused, count);
} catch (...) {
    text.clear();
    count = 0;
    return false;
}

std::int32_t CountLogWarnings(const RunContext& run, unsigned threads) try {
    std::u16string unused_text;
    std::vector<std::string> unused_pieces;
    std::int32_t count = 0;
    return Compose(run, threads, Encoding::Counted, unused_text, unused_pieces, count) ? count : -1;
} catch (...) {
    return -1;
}

std::int32_t WriteLog(const RunContext& run, std::u16string_view path, unsigned threads) try {
    if (path.empty() || !run.Options) return -1;
    const Encoding encoding =
        run.Options->LogEncoding == kLogEncodingUtf8 ? Encoding::Utf8 : Encoding::Cp932;
    std::u16string unused;
    std::vector<std::string> pieces;
    std::int32_t count = 0;
    if (!Compose(run, threads, encoding, unused, pieces, count)) return -1;
    const std::vector<std::string_view> views(pieces.begin(), pieces.end());
    return VornFileIo::WriteFileReplacing(path, views) ? count : -1;
} catch (...) {
    return -1;
}

std::u16string TargetColumn(const AttrEntry& attr) try {
    return std::u16string(TargetView(attr));
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
