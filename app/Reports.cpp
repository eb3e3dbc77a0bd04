#include "app/Reports.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <iterator>

#include "engine/Codes.h"
#include "engine/Warnings.h"
#include "lib/Convert.h"
#include "lib/Parallel.h"
#include "platform/FileNameCompare.h"
#include "platform/HostPath.h"
#include "platform/Program.h"
#include "platform/Text.h"
#include "verify/WriteLog.h"

namespace app {
namespace {

constexpr std::int32_t kFirstNonLinkCode = 300;  // BASE href, anchors, other schemes, failures
constexpr std::int32_t kFirstRemoteCode = 100;

// A drive-form path as the host names it; unchanged when it names nothing on the host.
std::u16string Host(std::u16string_view drive) {
    std::string host;
    if (!platform::DriveToHost(drive, host)) return std::u16string(drive);
    return platform::FromUtf8(host);
}

std::string HostUtf8(std::u16string_view drive) { return ReportUtf8(Host(drive)); }

// Percent-encodes everything but the unreserved characters and '/', byte by byte, so names
// that are not UTF-8 keep their bytes.
std::string UriPath(std::u16string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : platform::ToUtf8(text)) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::u16string Relative(std::u16string_view path, std::u16string_view base) {
    while (!base.empty() && base.back() == u'\\') base.remove_suffix(1);
    if (base.empty() || path.size() <= base.size() || path[base.size()] != u'\\' ||
        platform::CompareFileNames(path.substr(0, base.size()), base) != 0)
        return {};
    std::u16string rest(path.substr(base.size() + 1));
    std::replace(rest.begin(), rest.end(), u'\\', u'/');
    return rest;
}

std::string Decimal(std::int64_t n) { return std::to_string(n); }

// Appends text as UTF-8 with a lone surrogate (bytes of a name that is not UTF-8) as U+FFFD,
// since JSON and XML hold only valid UTF-8. `ascii(o, c)` writes an ASCII character at `o`, as
// the document escapes it in at most `widest` bytes, and returns the end of what it wrote.
template <class Ascii>
void AppendUtf8(std::string& out, std::u16string_view text, std::size_t widest,
                const Ascii& ascii) {
    const std::size_t at = out.size();
    out.resize(at + text.size() * std::max<std::size_t>(widest, 3));
    char* o = out.data() + at;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            o = ascii(o, static_cast<char>(c));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);  // a pair: one character
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x800) {
            *o++ = static_cast<char>(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *o++ = static_cast<char>(0xE0 | (c >> 12));
            *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        } else {
            *o++ = static_cast<char>(0xF0 | (c >> 18));
            *o++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        *o++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
}

char* Put(char* o, std::string_view s) {
    std::memcpy(o, s.data(), s.size());
    return o + s.size();
}

// The escapes of ASCII characters, as function objects so that AppendUtf8 takes them inline.
struct Plain {
    char* operator()(char* o, char c) const {
        *o = c;
        return o + 1;
    }
};

struct XmlEscaped {
    char* operator()(char* o, char c) const {
        switch (c) {
            case '&':
                return Put(o, "&amp;");
            case '<':
                return Put(o, "&lt;");
            case '>':
                return Put(o, "&gt;");
            case '"':
                return Put(o, "&quot;");
            default:
                // XML 1.0 cannot hold the other control characters at all.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                    return Put(o, "&#xFFFD;");
                return Plain()(o, c);
        }
    }
};

struct JsonEscaped {
    char* operator()(char* o, char c) const {
        static constexpr char kHex[] = "0123456789abcdef";
        switch (c) {
            case '"':
                return Put(o, "\\\"");
            case '\\':
                return Put(o, "\\\\");
            case '\b':
                return Put(o, "\\b");
            case '\f':
                return Put(o, "\\f");
            case '\n':
                return Put(o, "\\n");
            case '\r':
                return Put(o, "\\r");
            case '\t':
                return Put(o, "\\t");
            default:
                if (static_cast<unsigned char>(c) >= 0x20) return Plain()(o, c);
                o = Put(o, "\\u00");
                *o++ = kHex[(c >> 4) & 15];
                *o++ = kHex[c & 15];
                return o;
        }
    }
};

// Walks the results of files [from, to) in the log's order and hands every warning and note to
// item(file, line, tag, attribute or null, number, message), number 0 for a note;
// file_seen(entry) comes before a file's items. Both the report and its counts come from here.
template <class OnFile, class OnItem>
void Walk(const HtmlLink::RunContext& run, std::size_t from, std::size_t to,
          const OnFile& file_seen, const OnItem& item) {
    for (std::size_t f = from; f < to; ++f) {
        const HtmlLink::FileEntry& file = (*run.Files)[f];
        file_seen(file);
        const auto list = [&](std::int32_t line, std::u16string_view tag,
                              const HtmlLink::AttrEntry* attr,
                              const HtmlLink::WarningList& warnings, int level) {
            const std::size_t n = HtmlLink::UsedCount(warnings);
            for (std::size_t k = 0; k < n; ++k) {
                const int number = warnings[k].Code == HtmlLink::kNote
                                       ? 0
                                       : HtmlLink::WarningNumber(level, warnings[k].Code);
                item(f, line, tag, attr, number, warnings[k].Text);
            }
        };
        list(0, {}, nullptr, file.Warnings, HtmlLink::kFileLevel);
        const std::size_t nt = HtmlLink::UsedCount(file.Tags);
        for (std::size_t t = 0; t < nt; ++t) {
            const HtmlLink::TagEntry& tag = file.Tags[t];
            list(tag.Line, tag.Name, nullptr, tag.Warnings, HtmlLink::kTagLevel);
            const std::size_t na = HtmlLink::UsedCount(tag.Attrs);
            for (std::size_t a = 0; a < na; ++a) {
                const HtmlLink::AttrEntry& attr = tag.Attrs[a];
                list(tag.Line, tag.Name, &attr, attr.Warnings, HtmlLink::kAttrLevel);
                const std::u16string_view note = HtmlLink::LogNote(attr, run);
                if (!note.empty()) item(f, tag.Line, tag.Name, &attr, 0, note);
            }
        }
    }
}

// An item of the file added last.
void Add(RunReport& r, std::size_t file, std::int32_t line, std::u16string_view tag,
         const HtmlLink::AttrEntry* attr, int number, std::u16string_view message) {
    ReportItem item;
    item.File = file;
    item.Line = line;
    item.Tag = tag;
    if (attr) {
        item.Attribute = attr->Name;
        item.Value = attr->Value;
        if (HtmlLink::IsLink(attr->Code) && !attr->Target.empty())
            item.Target = HtmlLink::IsLocalTarget(attr->Code) ? Host(attr->Target) : attr->Target;
    }
    item.Number = number;
    item.Message = message;
    if (number > 0) {
        ++r.WarningCount;
        ++r.Files.back().Warnings;
    } else {
        ++r.NoteCount;
    }
    r.Items.push_back(std::move(item));
}

// The part of the report for files [from, to).
void CollectPart(const HtmlLink::RunContext& run, std::size_t from, std::size_t to,
                 ReportContent content, RunReport& part) {
    if (content == ReportContent::CountsOnly) {
        Walk(
            run, from, to, [](const HtmlLink::FileEntry&) {},
            [&](std::size_t, std::int32_t, std::u16string_view, const HtmlLink::AttrEntry*,
                int number,
                std::u16string_view) { ++(number > 0 ? part.WarningCount : part.NoteCount); });
        return;
    }
    Walk(
        run, from, to,
        [&](const HtmlLink::FileEntry& file) {
            ReportFile rf;
            rf.Path = file.Path;
            rf.DisplayPath = HtmlLink::LogDisplayPath(file.Path, *run.Set, *run.Options);
            rf.Html = file.Status != HtmlLink::ScanNotHtml;
            part.Files.push_back(std::move(rf));
        },
        [&](std::size_t f, std::int32_t line, std::u16string_view tag,
            const HtmlLink::AttrEntry* attr, int number,
            std::u16string_view message) { Add(part, f, line, tag, attr, number, message); });
}

// Removes the warnings the filter leaves out; an emptied list is a list with its slot free.
void Keep(HtmlLink::WarningList& list, int level, const WarningFilter& filter) {
    const std::size_t n = HtmlLink::UsedCount(list);
    const auto dropped = [&](const HtmlLink::WarningEntry& w) {
        return w.Code != HtmlLink::kNote &&
               !filter.Reported(HtmlLink::WarningNumber(level, w.Code));
    };
    list.erase(std::remove_if(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(n), dropped),
               list.begin() + static_cast<std::ptrdiff_t>(n));
}

// The message shown for a number: the help document's, else the first one the run gave.
std::u16string MessageOf(int number, const RunReport& report, const WarningHelpTable& help) {
    const auto h = help.find(number);
    if (h != help.end() && !h->second.Message.empty()) return h->second.Message;
    for (const ReportItem& item : report.Items)
        if (item.Number == number) return item.Message;
    return {};
}

void AppendXml(std::string& out, std::u16string_view text) {
    AppendUtf8(out, text, 8, XmlEscaped());
}

std::string Xml(std::u16string_view text) {
    std::string out;
    AppendXml(out, text);
    return out;
}

// Writes a JSON document as it goes, laid out two spaces a level with `"key": value`, each
// member and element on a line of its own, and empty containers as {} and []: the report of a
// large site is megabytes, and building it as a tree first cost more than the whole check.
class JsonOut {
public:
    explicit JsonOut(std::string& out) : out_(out) {}

    // A key is plain ASCII: ours, or a number.
    JsonOut& Key(std::string_view key) {
        Next();
        out_ += '"';
        out_ += key;
        out_ += "\": ";
        after_key_ = true;
        return *this;
    }
    void Open(char bracket) {
        Element();
        out_ += bracket;
        empty_.push_back(true);
    }
    void Close(char bracket) {
        const bool empty = empty_.back();
        empty_.pop_back();
        if (!empty) {
            out_ += '\n';
            Indent();
        }
        out_ += bracket;
    }
    // UTF-8 text.
    void String(std::string_view text) {
        Element();
        Quoted(text);
    }
    void Text(std::u16string_view text) { Text({text}); }
    // One string of several texts one after the other.
    void Text(std::initializer_list<std::u16string_view> parts) {
        Element();
        out_ += '"';
        for (std::u16string_view part : parts) AppendUtf8(out_, part, 6, JsonEscaped());
        out_ += '"';
    }
    void TextOrNull(std::u16string_view text) {
        if (text.empty())
            Null();
        else
            Text(text);
    }
    void Number(std::int64_t n) {
        Element();
        out_ += Decimal(n);
    }
    void Bool(bool b) {
        Element();
        out_ += b ? "true" : "false";
    }
    void Null() {
        Element();
        out_ += "null";
    }

private:
    // Before a value: after a key nothing, in a container a new line.
    void Element() {
        if (after_key_) {
            after_key_ = false;
        } else if (!empty_.empty()) {
            Next();
        }
    }
    void Next() {
        if (!empty_.back()) out_ += ',';
        empty_.back() = false;
        out_ += '\n';
        Indent();
    }
    void Indent() { out_.append(2 * empty_.size(), ' '); }
    // Quotes, backslashes and control characters escaped; everything else as it is.
    void Quoted(std::string_view utf8) {
        const std::size_t at = out_.size();
        out_.resize(at + 6 * utf8.size() + 2);
        char* o = out_.data() + at;
        *o++ = '"';
        for (char c : utf8) o = JsonEscaped()(o, c);
        *o++ = '"';
        out_.resize(static_cast<std::size_t>(o - out_.data()));
    }

    std::string& out_;
    std::vector<bool> empty_;  // per open container: nothing in it yet
    bool after_key_ = false;
};

std::string ToolVersion() {
    return Decimal(platform::VersionMajor()) + "." +
           ReportUtf8(ToDecimalPadded(platform::VersionMinor(), 2));
}

}  // namespace

const std::vector<int>& KnownWarningNumbers() {
    static const std::vector<int> numbers = [] {
        std::bitset<256> seen;
        seen.set(99);
        for (int level = HtmlLink::kFileLevel; level <= HtmlLink::kAttrLevel; ++level)
            for (std::int32_t code = 0; code < 1000; ++code)
                seen.set(HtmlLink::WarningNumber(level, code));
        std::vector<int> out;
        for (int n = 1; n < 256; ++n)
            if (seen.test(n)) out.push_back(n);
        return out;
    }();
    return numbers;
}

bool WarningFilter::Parse(std::string_view list, std::bitset<256>& into, std::string& error) {
    const std::vector<int>& known = KnownWarningNumbers();
    std::size_t pos = 0;
    while (true) {
        const std::size_t comma = std::min(list.find(',', pos), list.size());
        std::string_view item = list.substr(pos, comma - pos);
        while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
        int n = 0;
        const auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), n);
        if (item.empty() || ec != std::errc() || end != item.data() + item.size()) {
            error = "'" + std::string(item) + "' is not a warning number";
            return false;
        }
        if (!std::binary_search(known.begin(), known.end(), n)) {
            error = "no warning has the number " + std::string(item) + " (--explain lists them)";
            return false;
        }
        into.set(static_cast<std::size_t>(n));
        if (comma == list.size()) return true;
        pos = comma + 1;
    }
}

bool WarningFilter::Only(std::string_view list, std::string& error) {
    if (!Parse(list, only_, error)) return false;
    only_set_ = true;
    return true;
}

bool WarningFilter::Ignore(std::string_view list, std::string& error) {
    return Parse(list, ignored_, error);
}

bool WarningFilter::Reported(int number) const {
    if (number <= 0 || number > 255) return true;
    const auto n = static_cast<std::size_t>(number);
    return (!only_set_ || only_.test(n)) && !ignored_.test(n);
}

void DropWarnings(HtmlLink::FileTable& files, const WarningFilter& filter) noexcept try {
    if (filter.Everything()) return;
    // List by list in place: a copy of the whole table would double a large site's memory.
    for (HtmlLink::FileEntry& file : files) {
        if (!HtmlLink::InUse(file)) break;
        Keep(file.Warnings, HtmlLink::kFileLevel, filter);
        const std::size_t nt = HtmlLink::UsedCount(file.Tags);
        for (std::size_t t = 0; t < nt; ++t) {
            HtmlLink::TagEntry& tag = file.Tags[t];
            Keep(tag.Warnings, HtmlLink::kTagLevel, filter);
            const std::size_t na = HtmlLink::UsedCount(tag.Attrs);
            for (std::size_t a = 0; a < na; ++a)
                Keep(tag.Attrs[a].Warnings, HtmlLink::kAttrLevel, filter);
        }
    }
} catch (...) {
}

bool CollectReport(const HtmlLink::RunContext& run, RunReport& report, ReportContent content,
                   unsigned threads) try {
    report = RunReport();
    if (!run.Set || !run.Options || !run.Files) return false;
    // Runs of files on every core, put together in file order.
    const std::size_t used = HtmlLink::UsedCount(*run.Files);
    threads = parallel::ThreadCount(threads);
    const std::vector<std::size_t> cuts =
        parallel::Cuts(used, threads == 1 ? 1 : threads * 4,
                       [&](std::size_t f) { return (*run.Files)[f].Tags.size() + 1; });
    std::vector<RunReport> parts(cuts.size() - 1);
    std::vector<char> done(parts.size(), 0);
    parallel::OnThreads(parts.size(), threads, [&](std::size_t k) noexcept {
        try {
            CollectPart(run, cuts[k], cuts[k + 1], content, parts[k]);
            done[k] = 1;
        } catch (...) {
        }
    });
    std::size_t files = 0, items = 0;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (!done[k]) return false;
        files += parts[k].Files.size();
        items += parts[k].Items.size();
    }
    report.SetName = run.Set->Name;
    report.BaseDirectory = run.Set->LocalPath;
    // Directories the search could not list come first, as in the log, each with its warning:
    // whatever lies below them was not checked, and a report without them would pass a site
    // it never read.
    const std::size_t unsearched = run.Unsearched ? run.Unsearched->size() : 0;
    report.Files.reserve(unsearched + files);
    report.Items.reserve(unsearched + items);
    for (std::size_t k = 0; k < unsearched; ++k) {
        const VornFileList::UnsearchedDirectory& d = (*run.Unsearched)[k];
        const std::int32_t code =
            d.TooLong ? HtmlLink::kDirectoryTooLong : HtmlLink::kDirectoryUnreadable;
        ++report.WarningCount;
        if (content == ReportContent::CountsOnly) continue;
        report.Files.push_back(
            {d.Path, HtmlLink::LogDisplayPath(d.Path, *run.Set, *run.Options), false, 1});
        ReportItem item;
        item.File = k;
        item.Number = HtmlLink::WarningNumber(HtmlLink::kFileLevel, code);
        item.Message =
            d.TooLong ? HtmlLink::msg::kDirectoryTooLong : HtmlLink::msg::kDirectoryUnreadable;
        report.Items.push_back(std::move(item));
    }
    // The files' items name them by their place in the run's table, behind the directories.
    const std::size_t shift = report.Files.size();
    for (RunReport& part : parts) {
        if (shift)
            for (ReportItem& item : part.Items) item.File += shift;
        std::move(part.Files.begin(), part.Files.end(), std::back_inserter(report.Files));
        std::move(part.Items.begin(), part.Items.end(), std::back_inserter(report.Items));
        report.WarningCount += part.WarningCount;
        report.NoteCount += part.NoteCount;
        part = RunReport();
    }
    return true;
} catch (...) {
    report = RunReport();
    return false;
}

std::string JsonReport(const RunReport& report) {
    std::size_t html = 0, warned = 0;
    for (const ReportFile& f : report.Files) {
        html += f.Html ? 1 : 0;
        warned += f.Warnings > 0 ? 1 : 0;
    }
    std::map<int, int> by_number;
    for (const ReportItem& item : report.Items)
        if (item.Number > 0) ++by_number[item.Number];

    std::string out;
    out.reserve(report.Items.size() * 700);
    JsonOut json(out);
    json.Open('{');
    json.Key("tool").Open('{');
    json.Key("name").String("mokuroku-check");
    json.Key("version").String(ToolVersion());
    json.Close('}');
    json.Key("checkSet").Text(report.SetName);
    json.Key("baseDirectory").String(HostUtf8(report.BaseDirectory));
    json.Key("date").String(report.Date);
    json.Key("complete").Bool(report.Complete);
    json.Key("counts").Open('{');
    json.Key("files").Number(static_cast<std::int64_t>(report.Files.size()));
    json.Key("htmlFiles").Number(static_cast<std::int64_t>(html));
    json.Key("filesWithWarnings").Number(static_cast<std::int64_t>(warned));
    json.Key("warnings").Number(report.WarningCount);
    json.Key("notes").Number(report.NoteCount);
    json.Key("byNumber").Open('{');
    for (const auto& [n, c] : by_number) json.Key(Decimal(n)).Number(c);
    json.Close('}');
    json.Close('}');

    json.Key("records").Open('[');
    // A file's items come together, so its names are made once for all of them.
    std::size_t named = report.Files.size();
    std::string path, display;
    for (const ReportItem& item : report.Items) {
        if (item.File != named) {
            named = item.File;
            path = HostUtf8(report.Files[named].Path);
            display = ReportUtf8(report.Files[named].DisplayPath);
        }
        json.Open('{');
        json.Key("file").Open('{');
        json.Key("path").String(path);
        json.Key("display").String(display);
        json.Close('}');
        if (item.Line > 0)
            json.Key("line").Number(item.Line);
        else
            json.Key("line").Null();
        json.Key("tag").TextOrNull(item.Tag);
        json.Key("attribute").TextOrNull(item.Attribute);
        json.Key("value").TextOrNull(item.Value);
        json.Key("target").TextOrNull(item.Target);
        if (item.Number > 0)
            json.Key("number").Number(item.Number);
        else
            json.Key("number").Null();
        json.Key("message").Text(item.Message);
        json.Close('}');
    }
    json.Close(']');
    json.Close('}');
    out += '\n';
    return out;
}

std::string SarifReport(const RunReport& report, const WarningHelpTable& help,
                        std::string_view tool_version, std::string_view help_uri) {
    std::string out;
    out.reserve(report.Items.size() * 1000);
    JsonOut json(out);
    json.Open('{');
    json.Key("$schema").String("https://json.schemastore.org/sarif-2.1.0.json");
    json.Key("version").String("2.1.0");
    json.Key("runs").Open('[');
    json.Open('{');
    json.Key("tool").Open('{');
    json.Key("driver").Open('{');
    json.Key("name").String("mokuroku-check");
    json.Key("version").String(tool_version);
    json.Key("rules").Open('[');
    const std::vector<int>& numbers = KnownWarningNumbers();
    for (int n : numbers) {
        json.Open('{');
        json.Key("id").String("W" + Decimal(n));
        const std::u16string message = MessageOf(n, report, help);
        if (!message.empty()) {
            json.Key("shortDescription").Open('{');
            json.Key("text").Text(message);
            json.Close('}');
        }
        const auto h = help.find(n);
        if (h != help.end()) {
            if (!h->second.Meaning.empty()) {
                json.Key("fullDescription").Open('{');
                json.Key("text").Text(h->second.Meaning);
                json.Close('}');
            }
            std::u16string text = h->second.Meaning;
            if (!h->second.Action.empty())
                text += (text.empty() ? u"" : u"\n\n") + h->second.Action;
            if (!text.empty()) {
                json.Key("help").Open('{');
                json.Key("text").Text(text);
                json.Close('}');
            }
        }
        if (!help_uri.empty())
            json.Key("helpUri").String(std::string(help_uri) + "#w" + Decimal(n));
        json.Key("defaultConfiguration").Open('{');
        json.Key("level").String("warning");
        json.Close('}');
        json.Close('}');
    }
    json.Close(']');
    json.Close('}');
    json.Close('}');

    const std::u16string& root = report.UriRoot.empty() ? report.BaseDirectory : report.UriRoot;
    std::string base = FileUri(root);
    if (!base.empty()) {
        if (base.back() != '/') base += '/';
        json.Key("originalUriBaseIds").Open('{');
        json.Key("SITEROOT").Open('{');
        json.Key("uri").String(base);
        json.Close('}');
        json.Close('}');
    }
    json.Key("invocations").Open('[');
    json.Open('{');
    json.Key("executionSuccessful").Bool(report.Complete);
    json.Close('}');
    json.Close(']');

    json.Key("results").Open('[');
    // A file's items come together, so where it lies is worked out once for all of them.
    std::size_t located = report.Files.size();
    std::string uri;
    bool relative = false;
    for (const ReportItem& item : report.Items) {
        if (item.Number <= 0) continue;  // notes are not findings
        if (item.File != located) {
            located = item.File;
            const std::u16string& path = report.Files[located].Path;
            const std::u16string rest = Relative(path, root);
            relative = !rest.empty();
            uri = relative ? UriPath(rest) : FileUri(path);
        }
        // A number no rule has points at the first rule, as it always did.
        const auto rule = std::lower_bound(numbers.begin(), numbers.end(), item.Number);
        const bool known = rule != numbers.end() && *rule == item.Number;
        json.Open('{');
        json.Key("ruleId").String("W" + Decimal(item.Number));
        json.Key("ruleIndex").Number(known ? rule - numbers.begin() : 0);
        json.Key("level").String("warning");
        json.Key("message").Open('{');
        // The message, then where it was said: " (<A> href=\"x.htm\" → /site/x.htm)".
        json.Key("text");
        if (item.Tag.empty()) {
            json.Text(item.Message);
        } else {
            const bool attr = !item.Attribute.empty(), target = !item.Target.empty();
            json.Text({item.Message, u" (<", item.Tag, u">", attr ? u" " : u"",
                       attr ? std::u16string_view(item.Attribute) : u"", attr ? u"=" : u"",
                       attr ? std::u16string_view(item.Value) : u"", target ? u" → " : u"",
                       target ? std::u16string_view(item.Target) : u"", u")"});
        }
        json.Close('}');
        json.Key("locations").Open('[');
        json.Open('{');
        json.Key("physicalLocation").Open('{');
        json.Key("artifactLocation").Open('{');
        json.Key("uri").String(uri);
        if (relative) json.Key("uriBaseId").String("SITEROOT");
        json.Close('}');
        if (item.Line > 0) {
            json.Key("region").Open('{');
            json.Key("startLine").Number(item.Line);
            json.Close('}');
        }
        json.Close('}');
        json.Close('}');
        json.Close(']');
        json.Close('}');
    }
    json.Close(']');
    json.Close('}');
    json.Close(']');
    json.Close('}');
    out += '\n';
    return out;
}

std::string JUnitReport(const RunReport& report) {
    // Every HTML file is a test case; another file only when something is said about it (a
    // file nothing links to), so that a failing run never shows only passed cases.
    std::vector<std::vector<const ReportItem*>> per_file(report.Files.size());
    for (const ReportItem& item : report.Items)
        if (item.Number > 0) per_file[item.File].push_back(&item);
    std::size_t tests = 0, failures = 0;
    for (std::size_t f = 0; f < report.Files.size(); ++f) {
        if (!report.Files[f].Html && per_file[f].empty()) continue;
        ++tests;
        failures += per_file[f].empty() ? 0 : 1;
    }
    const std::string suite = Xml(report.SetName);
    const std::string counts =
        " tests=\"" + Decimal(tests) + "\" failures=\"" + Decimal(failures) + "\" errors=\"0\"";
    std::string out;
    out.reserve(report.Items.size() * 400);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<testsuites name=\"mokuroku-check\"" + counts + ">\n";
    out += "  <testsuite name=\"" + suite + "\"" + counts + " skipped=\"0\" timestamp=\"" +
           Xml(platform::FromUtf8(report.Date)) + "\">\n";
    for (std::size_t f = 0; f < report.Files.size(); ++f) {
        const ReportFile& file = report.Files[f];
        if (!file.Html && per_file[f].empty()) continue;
        out += "    <testcase classname=\"";
        out += suite;
        out += "\" name=\"";
        AppendXml(out, file.DisplayPath);
        out += "\" file=\"";
        AppendXml(out, Host(file.Path));
        out += '"';
        if (per_file[f].empty()) {
            out += "/>\n";
            continue;
        }
        out += ">\n      <failure message=\"" + Decimal(per_file[f].size()) +
               (per_file[f].size() == 1 ? " warning" : " warnings") + "\" type=\"warning\">";
        // "12: <A> href="x.htm" (→ /site/x.htm) message [41]", one line a warning.
        for (const ReportItem* item : per_file[f]) {
            if (item->Line > 0) out += Decimal(item->Line) + ": ";
            if (!item->Tag.empty()) {
                out += "&lt;";
                AppendXml(out, item->Tag);
                out += "&gt; ";
            }
            if (!item->Attribute.empty()) {
                AppendXml(out, item->Attribute);
                out += '=';
                AppendXml(out, item->Value);
                out += ' ';
            }
            if (!item->Target.empty()) {
                out += "(→ ";
                AppendXml(out, item->Target);
                out += ") ";
            }
            AppendXml(out, item->Message);
            out += " [" + Decimal(item->Number) + "]\n";
        }
        out += "</failure>\n    </testcase>\n";
    }
    out += "  </testsuite>\n</testsuites>\n";
    return out;
}

std::string SummaryText(const RunReport& report, const WarningHelpTable& help,
                        std::string_view log_path, SummaryStyle style) {
    const std::string bold = style.Colour ? "\x1b[1m" : "";
    const std::string yellow = style.Colour ? "\x1b[33m" : "";
    const std::string reset = style.Colour ? "\x1b[0m" : "";
    std::string out;
    std::map<int, int> by_number;
    std::map<std::u16string, int> by_target;
    for (const ReportItem& item : report.Items) {
        if (item.Number <= 0) continue;
        ++by_number[item.Number];
        if (!item.Target.empty()) ++by_target[item.Target];
    }
    for (const auto& [n, c] : by_number) {
        char head[32];
        std::snprintf(head, sizeof head, "%6d  [%d] ", c, n);
        out += yellow + head + reset + ReportUtf8(MessageOf(n, report, help)) + "\n";
    }
    if (!by_target.empty()) {
        std::vector<std::pair<std::u16string, int>> targets(by_target.begin(), by_target.end());
        // Most warnings first; equal counts in the order of the text, so the list is stable.
        std::stable_sort(targets.begin(), targets.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        if (targets.size() > 5) targets.resize(5);
        out += bold + "警告の多いリンク先:" + reset + "\n";
        for (const auto& [target, c] : targets) {
            char head[32];
            std::snprintf(head, sizeof head, "%6d  ", c);
            out += head + ReportUtf8(target) + "\n";
        }
    }
    if (!log_path.empty()) out += "ログ: " + std::string(log_path) + "\n";
    return out;
}

namespace {
std::string LocalTime(std::int64_t seconds, const char* format) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return {};
    char buf[40];
    if (std::strftime(buf, sizeof buf, format, &tm) == 0) return {};
    return buf;
}
}  // namespace

std::string IsoDateTime(std::int64_t seconds) {
    std::string s = LocalTime(seconds, "%Y-%m-%dT%H:%M:%S%z");
    // ISO 8601 extended form wants the offset as +09:00.
    if (s.size() >= 5) s.insert(s.size() - 2, ":");
    return s;
}

std::u16string LogDateTime(std::int64_t seconds) {
    return platform::FromUtf8(LocalTime(seconds, "%m-%d-%Y %H:%M:%S"));
}

std::string FileUri(std::u16string_view drive) {
    std::string host;
    if (!platform::DriveToHost(drive, host)) return {};
    return "file://" + UriPath(platform::FromUtf8(host));
}

std::string ReportUtf8(std::u16string_view text) {
    std::string out;
    AppendUtf8(out, text, 1, Plain());
    return out;
}

}  // namespace app
