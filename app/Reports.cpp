#include "app/Reports.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "engine/Codes.h"
#include "engine/Warnings.h"
#include "lib/Convert.h"
#include "platform/FileNameCompare.h"
#include "platform/HostPath.h"
#include "platform/Program.h"
#include "platform/Text.h"
#include "verify/WriteLog.h"

namespace app {
namespace {

using Json = nlohmann::ordered_json;

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
        ++r.Files[file].Warnings;
    } else {
        ++r.NoteCount;
    }
    r.Items.push_back(std::move(item));
}

void AddList(RunReport& r, std::size_t file, std::int32_t line, std::u16string_view tag,
             const HtmlLink::AttrEntry* attr, const HtmlLink::WarningList& list, int level) {
    const std::size_t n = HtmlLink::UsedCount(list);
    for (std::size_t k = 0; k < n; ++k) {
        const int number =
            list[k].Code == HtmlLink::kNote ? 0 : HtmlLink::WarningNumber(level, list[k].Code);
        Add(r, file, line, tag, attr, number, list[k].Text);
    }
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

std::string Xml(std::u16string_view text) {
    std::string out;
    for (char c : ReportUtf8(text)) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                // XML 1.0 cannot hold the other control characters at all.
                if (u < 0x20 && c != '\t' && c != '\n' && c != '\r')
                    out += "&#xFFFD;";
                else
                    out += c;
        }
    }
    return out;
}

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

bool CollectReport(const HtmlLink::RunContext& run, RunReport& report) try {
    report = RunReport();
    if (!run.Set || !run.Options || !run.Files) return false;
    report.SetName = run.Set->Name;
    report.BaseDirectory = run.Set->LocalPath;
    for (const HtmlLink::FileEntry& file : *run.Files) {
        if (!HtmlLink::InUse(file)) break;
        const std::size_t f = report.Files.size();
        ReportFile rf;
        rf.Path = file.Path;
        rf.DisplayPath = HtmlLink::LogDisplayPath(file.Path, *run.Set, *run.Options);
        rf.Html = file.Status != HtmlLink::ScanNotHtml;
        report.Files.push_back(std::move(rf));

        AddList(report, f, 0, {}, nullptr, file.Warnings, HtmlLink::kFileLevel);
        const std::size_t nt = HtmlLink::UsedCount(file.Tags);
        for (std::size_t t = 0; t < nt; ++t) {
            const HtmlLink::TagEntry& tag = file.Tags[t];
            AddList(report, f, tag.Line, tag.Name, nullptr, tag.Warnings, HtmlLink::kTagLevel);
            const std::size_t na = HtmlLink::UsedCount(tag.Attrs);
            for (std::size_t a = 0; a < na; ++a) {
                const HtmlLink::AttrEntry& attr = tag.Attrs[a];
                AddList(report, f, tag.Line, tag.Name, &attr, attr.Warnings, HtmlLink::kAttrLevel);
                const std::u16string_view note = HtmlLink::LogNote(attr, run);
                if (!note.empty()) Add(report, f, tag.Line, tag.Name, &attr, 0, note);
            }
        }
    }
    return true;
} catch (...) {
    report = RunReport();
    return false;
}

std::string JsonReport(const RunReport& report) {
    Json counts = Json::object();
    std::size_t html = 0, warned = 0;
    for (const ReportFile& f : report.Files) {
        html += f.Html ? 1 : 0;
        warned += f.Warnings > 0 ? 1 : 0;
    }
    counts["files"] = report.Files.size();
    counts["htmlFiles"] = html;
    counts["filesWithWarnings"] = warned;
    counts["warnings"] = report.WarningCount;
    counts["notes"] = report.NoteCount;
    std::map<int, int> by_number;
    for (const ReportItem& item : report.Items)
        if (item.Number > 0) ++by_number[item.Number];
    Json numbers = Json::object();
    for (const auto& [n, c] : by_number) numbers[Decimal(n)] = c;
    counts["byNumber"] = std::move(numbers);

    Json records = Json::array();
    for (const ReportItem& item : report.Items) {
        const ReportFile& f = report.Files[item.File];
        auto text_or_null = [](std::u16string_view s) -> Json {
            if (s.empty()) return nullptr;
            return ReportUtf8(s);
        };
        Json r = Json::object();
        r["file"] = {{"path", HostUtf8(f.Path)}, {"display", ReportUtf8(f.DisplayPath)}};
        r["line"] = item.Line > 0 ? Json(item.Line) : Json(nullptr);
        r["tag"] = text_or_null(item.Tag);
        r["attribute"] = text_or_null(item.Attribute);
        r["value"] = text_or_null(item.Value);
        r["target"] = text_or_null(item.Target);
        r["number"] = item.Number > 0 ? Json(item.Number) : Json(nullptr);
        r["message"] = ReportUtf8(item.Message);
        records.push_back(std::move(r));
    }

    Json doc = Json::object();
    doc["tool"] = {{"name", "mokuroku-check"}, {"version", ToolVersion()}};
    doc["checkSet"] = ReportUtf8(report.SetName);
    doc["baseDirectory"] = HostUtf8(report.BaseDirectory);
    doc["date"] = report.Date;
    doc["complete"] = report.Complete;
    doc["counts"] = std::move(counts);
    doc["records"] = std::move(records);
    return doc.dump(2) + "\n";
}

std::string SarifReport(const RunReport& report, const WarningHelpTable& help,
                        std::string_view tool_version, std::string_view help_uri) {
    Json rules = Json::array();
    std::map<int, std::size_t> rule_index;
    for (int n : KnownWarningNumbers()) {
        rule_index[n] = rules.size();
        Json rule = Json::object();
        rule["id"] = "W" + Decimal(n);
        const std::u16string message = MessageOf(n, report, help);
        if (!message.empty()) rule["shortDescription"] = {{"text", ReportUtf8(message)}};
        const auto h = help.find(n);
        if (h != help.end()) {
            if (!h->second.Meaning.empty())
                rule["fullDescription"] = {{"text", ReportUtf8(h->second.Meaning)}};
            std::u16string text = h->second.Meaning;
            if (!h->second.Action.empty())
                text += (text.empty() ? u"" : u"\n\n") + h->second.Action;
            if (!text.empty()) rule["help"] = {{"text", ReportUtf8(text)}};
        }
        if (!help_uri.empty()) rule["helpUri"] = std::string(help_uri) + "#w" + Decimal(n);
        rule["defaultConfiguration"] = {{"level", "warning"}};
        rules.push_back(std::move(rule));
    }

    const std::u16string& root = report.UriRoot.empty() ? report.BaseDirectory : report.UriRoot;
    Json results = Json::array();
    for (const ReportItem& item : report.Items) {
        if (item.Number <= 0) continue;  // notes are not findings
        const ReportFile& f = report.Files[item.File];
        Json artifact = Json::object();
        const std::u16string relative = Relative(f.Path, root);
        if (!relative.empty()) {
            artifact["uri"] = UriPath(relative);
            artifact["uriBaseId"] = "SITEROOT";
        } else {
            artifact["uri"] = FileUri(f.Path);
        }
        Json physical = {{"artifactLocation", std::move(artifact)}};
        if (item.Line > 0) physical["region"] = {{"startLine", item.Line}};
        std::u16string text = item.Message;
        if (!item.Tag.empty()) {
            text += u" (<" + item.Tag + u">";
            if (!item.Attribute.empty()) text += u" " + item.Attribute + u"=" + item.Value;
            if (!item.Target.empty()) text += u" → " + item.Target;
            text += u")";
        }
        Json result = Json::object();
        result["ruleId"] = "W" + Decimal(item.Number);
        result["ruleIndex"] = rule_index[item.Number];
        result["level"] = "warning";
        result["message"] = {{"text", ReportUtf8(text)}};
        result["locations"] = Json::array({{{"physicalLocation", std::move(physical)}}});
        results.push_back(std::move(result));
    }

    Json driver = Json::object();
    driver["name"] = "mokuroku-check";
    driver["version"] = std::string(tool_version);
    driver["rules"] = std::move(rules);
    Json run = Json::object();
    run["tool"] = {{"driver", std::move(driver)}};
    std::string base = FileUri(root);
    if (!base.empty()) {
        if (base.back() != '/') base += '/';
        run["originalUriBaseIds"] = {{"SITEROOT", {{"uri", base}}}};
    }
    run["invocations"] = Json::array({{{"executionSuccessful", report.Complete}}});
    run["results"] = std::move(results);
    Json doc = Json::object();
    doc["$schema"] = "https://json.schemastore.org/sarif-2.1.0.json";
    doc["version"] = "2.1.0";
    doc["runs"] = Json::array({std::move(run)});
    return doc.dump(2) + "\n";
}

std::string JUnitReport(const RunReport& report) {
    // Every HTML file is a test case; another file only when something is said about it (a
    // file nothing links to), so that a failing run never shows only passed cases.
    std::vector<std::vector<const ReportItem*>> per_file(report.Files.size());
    for (const ReportItem& item : report.Items)
        if (item.Number > 0) per_file[item.File].push_back(&item);
    std::size_t tests = 0, failures = 0;
    std::string cases;
    const std::string suite = Xml(report.SetName);
    for (std::size_t f = 0; f < report.Files.size(); ++f) {
        const ReportFile& file = report.Files[f];
        if (!file.Html && per_file[f].empty()) continue;
        ++tests;
        cases += "    <testcase classname=\"" + suite + "\" name=\"" + Xml(file.DisplayPath) +
                 "\" file=\"" + Xml(Host(file.Path)) + "\"";
        if (per_file[f].empty()) {
            cases += "/>\n";
            continue;
        }
        ++failures;
        cases += ">\n      <failure message=\"" + Decimal(per_file[f].size()) +
                 (per_file[f].size() == 1 ? " warning" : " warnings") + "\" type=\"warning\">";
        for (const ReportItem* item : per_file[f]) {
            std::u16string line;
            if (item->Line > 0) line += ToDecimal(item->Line) + u": ";
            if (!item->Tag.empty()) line += u"<" + item->Tag + u"> ";
            if (!item->Attribute.empty()) line += item->Attribute + u"=" + item->Value + u" ";
            if (!item->Target.empty()) line += u"(→ " + item->Target + u") ";
            line += item->Message + u" [" + ToDecimal(item->Number) + u"]\n";
            cases += Xml(line);
        }
        cases += "</failure>\n    </testcase>\n";
    }
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string counts =
        " tests=\"" + Decimal(tests) + "\" failures=\"" + Decimal(failures) + "\" errors=\"0\"";
    out += "<testsuites name=\"mokuroku-check\"" + counts + ">\n";
    out += "  <testsuite name=\"" + suite + "\"" + counts + " skipped=\"0\" timestamp=\"" +
           Xml(platform::FromUtf8(report.Date)) + "\">\n";
    out += cases;
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
    std::u16string clean(text);
    for (std::size_t i = 0; i < clean.size(); ++i) {
        const char16_t c = clean[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 &&
            clean[i + 1] <= 0xDFFF) {
            ++i;  // a pair stands for one character
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            clean[i] = u'\uFFFD';
        }
    }
    return platform::ToUtf8(clean);
}

}  // namespace app
