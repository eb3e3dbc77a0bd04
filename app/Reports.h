#pragma once
// Reports of a finished run for scripts and CI: JSON, SARIF 2.1.0 and JUnit XML, the terminal
// summary, and the choice of warning numbers that counts at all. Qt-free; the command-line
// checker writes them, the window could too.
#include <bitset>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/HelpDocument.h"
#include "engine/HtmlLink.h"
#include "verify/RunContext.h"

namespace app {

// Every published warning number, ascending (derived from the catalogue, 99 included).
const std::vector<int>& KnownWarningNumbers();

// Which warning numbers are reported. All are, unless `Only` or `Ignore` say otherwise; with
// both, `Only` picks the numbers and `Ignore` then takes numbers out of that choice.
class WarningFilter {
public:
    // "3,64" or "3, 64"; false with a one-line reason for an empty item, a non-number or a
    // number no warning has. Several calls add up.
    bool Only(std::string_view list, std::string& error);
    bool Ignore(std::string_view list, std::string& error);
    bool Reported(int number) const;
    bool Everything() const { return !only_set_ && ignored_.none(); }

private:
    static bool Parse(std::string_view list, std::bitset<256>& into, std::string& error);
    bool only_set_ = false;
    std::bitset<256> only_;
    std::bitset<256> ignored_;
};

// Takes the warnings the filter leaves out off the run's tables, so that the log, the counts
// and every report agree. Notes are kept. A failure part way leaves the rest unfiltered: more
// is reported, never less.
void DropWarnings(HtmlLink::FileTable& files, const WarningFilter& filter) noexcept;

// One line of a report: a warning (Number > 0) or a note of the log (Number 0).
struct ReportItem {
    std::size_t File = 0;                  // index in RunReport::Files
    std::int32_t Line = 0;                 // 0 for a warning about the whole file
    std::u16string Tag, Attribute, Value;  // empty for a file-level item; Value as written
    std::u16string Target;  // the resolved target of a link; empty where there is none
    int Number = 0;
    std::u16string Message;
};

struct ReportFile {
    std::u16string Path;         // drive form
    std::u16string DisplayPath;  // as the log shows it
    bool Html = false;
    std::int32_t Warnings = 0;
};

struct RunReport {
    std::u16string SetName;
    std::u16string BaseDirectory;  // drive form
    // What SARIF names files relative to (drive form): the repository's root in CI, so that
    // code-scanning views find the page's source. Empty: the base directory.
    std::u16string UriRoot;
    std::string Date;               // ISO 8601
    std::vector<ReportFile> Files;  // every file the run listed, in found order
    std::vector<ReportItem> Items;  // in the log's order
    std::int32_t WarningCount = 0;
    std::int32_t NoteCount = 0;
    bool Complete = true;  // false when the run was cut short
};

enum class ReportContent : std::uint8_t {
    Items,       // every warning and note, and the files
    CountsOnly,  // WarningCount, NoteCount, SetName and BaseDirectory alone: no Files, no Items
};

// The run's results in the order of the log, with the log's notes for links left unchecked.
// The counts are the same whichever content is asked for. Collected on `threads` threads (0: one
// per core); the report is the same for any number. False on failure (report emptied).
bool CollectReport(const HtmlLink::RunContext& run, RunReport& report,
                   ReportContent content = ReportContent::Items, unsigned threads = 0);

// The help document's entries by warning number (app/HelpDocument.h).
using WarningHelpTable = std::map<int, WarningHelp>;

// The documents as UTF-8 text; every report names files by their host path where it has one.
std::string JsonReport(const RunReport& report);
std::string SarifReport(const RunReport& report, const WarningHelpTable& help,
                        std::string_view tool_version, std::string_view help_uri);
std::string JUnitReport(const RunReport& report);

struct SummaryStyle {
    bool Colour = false;
};
// The closing text for a person: count per warning number with its message, the five targets
// most warnings point at, and where the log went (empty: no log).
std::string SummaryText(const RunReport& report, const WarningHelpTable& help,
                        std::string_view log_path, SummaryStyle style);

// "2026-12-07T09:05:00+09:00" and the log's "12-07-2026 09:05:00" of one moment, local time.
std::string IsoDateTime(std::int64_t seconds_since_epoch);
std::u16string LogDateTime(std::int64_t seconds_since_epoch);

// 'file:///a/b%20c' for a drive-form path; empty when it names nothing on the host.
std::string FileUri(std::u16string_view drive);

// Text made fit for a report: lone surrogates (bytes of a name that is not UTF-8) become
// U+FFFD, since JSON and XML hold only valid UTF-8.
std::string ReportUtf8(std::u16string_view text);

}  // namespace app
