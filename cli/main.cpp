// mokuroku-check: the check run without a window, for scripts and CI.
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/CheckRun.h"
#include "app/Reports.h"
#include "engine/HtmlLink.h"
#include "engine/LinkTags.h"
#include "lib/Convert.h"
#include "lib/Parallel.h"
#include "lib/VornFileIo.h"
#include "lib/VornFilePath.h"
#include "platform/HostPath.h"
#include "platform/Program.h"
#include "platform/Text.h"
#include "settings/SettingsFile.h"

namespace {

constexpr char kName[] = "mokuroku-check";

volatile sig_atomic_t interrupted = 0;

// Storing to it is safe in a signal handler only while it needs no lock.
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
    interrupted = 1;
    // The file in hand is given up at once, so the run stops within a moment even on a huge page.
    HtmlLink::StopRequested.store(true, std::memory_order_relaxed);
    // A second Ctrl-C ends the program at once.
    signal(SIGINT, SIG_DFL);
}

// Messages use CR LF as the message boxes do; a terminal wants LF.
std::string TerminalText(std::u16string_view text) {
    const std::string bytes = platform::ToUtf8(text);
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        out += bytes[i];
    }
    return out;
}

// One line on standard error; returns the exit status of a check that could not be carried out.
int Error(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", kName, text.c_str());
    return 2;
}

// The host path of a drive-form path, for showing it.
std::string Shown(std::u16string_view drive) {
    std::string host;
    if (!platform::DriveToHost(drive, host)) return platform::ToUtf8(drive);
    return host;
}

class CliView final : public app::RunView {
public:
    CliView(bool quiet) : quiet_(quiet), tty_(isatty(STDERR_FILENO)) {}
    app::CheckRun* run = nullptr;
    bool failed = false;
    std::string closing;  // the run's closing report, without its question

    void ShowTitle(std::u16string_view) override {}
    void ShowProgress(const app::RunProgress& progress) override {
        if (quiet_ || progress.Stage != app::RunState::Scanning) return;
        const int percent = progress.Percent;
        if (percent == last_) return;
        // A log file or a CI job gets a line every tenth, not a hundred lines.
        if (!tty_ && percent % 10 != 0) return;
        last_ = percent;
        std::fprintf(stderr, tty_ ? "\r%d%%" : "%d%%\n", percent);
        shown_ = true;
    }
    void SetControlsEnabled(bool) override {}
    void SetExecuteButton(std::u16string_view, bool) override {}
    void YieldToWindowSystem() override {
        if (interrupted && !cancel_sent_ && run) {
            cancel_sent_ = true;
            run->cmdExecute_Click();  // as a second click on the button during the run
        }
    }
    app::BoxAnswer ShowMessage(app::BoxIcon icon, app::BoxButtons buttons, bool,
                               std::u16string_view, std::u16string_view text) override {
        EndProgressLine();
        if (icon == app::BoxIcon::Exclamation) {
            failed = true;
            Error(TerminalText(text));
            return app::BoxAnswer::Ok;
        }
        if (icon == app::BoxIcon::Question) return app::BoxAnswer::Yes;  // Ctrl-C confirms
        // The closing report: its question about showing the log has no meaning here.
        std::u16string shown(text);
        const size_t ask = shown.find(u"\r\n\r\n");
        if (ask != shown.npos) shown.resize(ask);
        closing = TerminalText(shown) + "\n";
        return buttons == app::BoxButtons::Ok ? app::BoxAnswer::Ok : app::BoxAnswer::No;
    }

private:
    void EndProgressLine() {
        if (shown_ && tty_) std::fputs("\n", stderr);
        shown_ = false;
    }
    bool quiet_;
    bool tty_;
    bool shown_ = false;
    bool cancel_sent_ = false;
    int last_ = -1;
};

// The cause of a failed file search, by the search's result.
const char* SearchFailure(std::int32_t find_result) {
    switch (find_result) {
        case -2:
            return "the file search found no base directory";
        case -3:
            return "the file search could not walk the directories";
        default:
            return "the file search failed";
    }
}

std::string Version() {
    return platform::ToUtf8(ToDecimal(platform::VersionMajor()) + u"." +
                            ToDecimalPadded(platform::VersionMinor(), 2));
}

// True when a file can be created at `host`: its directory exists and may be written.
bool Creatable(const std::string& host) {
    const size_t slash = host.find_last_of('/');
    const std::string dir = slash == host.npos ? "." : slash == 0 ? "/" : host.substr(0, slash);
    return access(dir.c_str(), W_OK | X_OK) == 0 &&
           VornFilePath::GetPathKind(platform::ToAbsoluteDriveForm(platform::FromUtf8(dir))) ==
               VornFilePath::PathKind::Directory;
}

struct ReportTarget {
    std::string path;  // as given; "-" for standard output
    std::string (*write)(const app::RunReport&, const app::WarningHelpTable&, const std::string&);
};

// The help document's entries, from the same source as the help window. False when there is
// no document; `uri` gets its location for links.
bool HelpEntries(app::WarningHelpTable& help, std::string& uri) {
    help.clear();
    uri.clear();
    const std::u16string path = app::FindHelpDocument(platform::ProgramDirectory());
    if (path.empty() || !app::LoadWarningHelp(path, help)) return false;
    uri = app::FileUri(path);
    return true;
}

int Explain(const std::string& which) {
    app::WarningHelpTable help;
    std::string uri;
    if (!HelpEntries(help, uri)) {
        return Error("the help document was not found beside the program or in its share/mokuroku");
    }
    if (which.empty()) {
        for (const auto& [n, h] : help)
            std::printf("%3d  %s\n", n, app::ReportUtf8(h.Message).c_str());
        return 0;
    }
    std::string error;
    app::WarningFilter check;
    if (!check.Only(which, error) || which.find(',') != which.npos) {
        return Error(error.empty() ? "--explain takes one warning number" : error);
    }
    const auto h = help.find(std::stoi(which));
    if (h == help.end()) {
        return Error("the help document has no entry for warning " + which);
    }
    std::printf(
        "%d: %s\n\n説明: %s\n\n対処法: %s\n", h->first, app::ReportUtf8(h->second.Message).c_str(),
        app::ReportUtf8(h->second.Meaning).c_str(), app::ReportUtf8(h->second.Action).c_str());
    return 0;
}

struct Arguments {
    std::string dir, settings, set_name, log, log_type, encoding, sarif_root, explain;
    std::vector<std::string> json, sarif, junit, ignore, only;
    int local = -1, remote = -1, modern = -1;  // -1: as the settings or the check set say
    bool quiet = false, no_log = false, explain_asked = false;
};

// Reads the command line; -1 to go on with the check, else the exit status.
int ParseArguments(int argc, char** argv, Arguments& a) {
    CLI::App cli(
        "Checks the links and anchors of a local HTML site and writes a log of "
        "numbered warnings.\nExit status: 0 no warning reported, 1 warnings reported, "
        "2 the check could not be carried out.",
        kName);
    cli.set_version_flag("--version", std::string(kName) + " " + Version());
    cli.add_option("DIR", a.dir, "check DIR with the settings of a new check set (its URL empty)")
        ->type_name("");
    cli.add_option("-s,--settings", a.settings,
                   "settings file (default: mokuroku.ini beside the program, else "
                   "~/.config/mokuroku/mokuroku.ini)")
        ->type_name("FILE");
    cli.add_option("-c,--set", a.set_name,
                   "check the stored check set NAME (default: the one SetId selects)")
        ->type_name("NAME");
    cli.add_option("-o,--log", a.log,
                   "write the log to FILE (default: named after the check set in the log "
                   "directory of the settings, the current directory without settings)")
        ->type_name("FILE");
    cli.add_option("-t,--log-type", a.log_type,
                   "the log's form (default: LogType of the settings, txt without)")
        ->check(CLI::IsMember({"txt", "csv", "tsv"}));
    cli.add_option("--log-encoding", a.encoding,
                   "the log's text encoding; a UTF-8 CSV log starts with a byte-order mark "
                   "(default: LogEncoding of the settings, cp932 without)")
        ->check(CLI::IsMember({"cp932", "utf-8"}));
    cli.add_flag("--no-log", a.no_log, "write no log, only the reports (default: a log)");
    auto* l = cli.add_flag_callback(
        "--local", [&] { a.local = 1; }, "verify local links");
    auto* nl = cli.add_flag_callback(
        "--no-local", [&] { a.local = 0; }, "do not verify them");
    auto* r = cli.add_flag_callback(
        "--remote", [&] { a.remote = 1; }, "list remote links as not checked");
    auto* nr = cli.add_flag_callback(
        "--no-remote", [&] { a.remote = 0; }, "do not list them");
    auto* m = cli.add_flag_callback(
        "--modern", [&] { a.modern = 1; },
        "read pages as today's sites are written: UTF-8, character references, "
        "percent-encoding, HTML5 links, stylesheets (default: ModernHtml of the check set, on "
        "for DIR)");
    auto* nm = cli.add_flag_callback(
        "--no-modern", [&] { a.modern = 0; }, "read pages as the original rules do");
    l->excludes(nl);
    r->excludes(nr);
    m->excludes(nm);
    l->group("Check boxes (default: LocalCheck and RemoteCheck of the settings)");
    nl->group(l->get_group());
    r->group(l->get_group());
    nr->group(l->get_group());
    m->group("Reading pages");
    nm->group(m->get_group());
    for (auto [name, into, what] : {std::tuple{"--json", &a.json, "a JSON report"},
                                    {"--sarif", &a.sarif, "a SARIF 2.1.0 log"},
                                    {"--junit", &a.junit, "JUnit XML"}}) {
        cli.add_option(name, *into,
                       std::string("write ") + what + " to FILE ('-': standard output)")
            ->type_name("FILE")
            ->allow_extra_args(false)
            ->group("Reports (default: none)");
    }
    cli.add_option("--sarif-root", a.sarif_root,
                   "name files in SARIF relative to DIR, such as the repository's root, so that "
                   "code-scanning views find them (default: the checked directory)")
        ->type_name("DIR")
        ->check(CLI::ExistingDirectory)
        ->group("Reports (default: none)");
    cli.add_option("--ignore", a.ignore,
                   "leave these warning numbers out of the log, the reports and the exit status")
        ->type_name("N,N")
        ->allow_extra_args(false)
        ->group("Warnings (default: all; --only first, then --ignore)");
    cli.add_option("--only", a.only, "report only these warning numbers")
        ->type_name("N,N")
        ->allow_extra_args(false)
        ->group("Warnings (default: all; --only first, then --ignore)");
    auto* explain = cli.add_option("--explain", a.explain,
                                   "print what warning N means and what to do, from the help "
                                   "document; alone, list every number")
                        ->type_name("[N]")
                        ->expected(0, 1);
    cli.add_flag("-q,--quiet", a.quiet,
                 "print only errors: no progress, no summary (default: both, on standard error)");

    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return cli.exit(e);  // --help, --version
        return Error(std::string(e.what()) + " (see --help)");
    }
    a.explain_asked = explain->count() > 0;
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    platform::SetUpMemory(argv);
    Arguments args;
    if (const int status = ParseArguments(argc, argv, args); status >= 0) return status;
    if (args.explain_asked) return Explain(args.explain);

    app::WarningFilter filter;
    std::string error;
    for (const std::string& o : args.only)
        if (!filter.Only(o, error)) return Error("--only: " + error);
    for (const std::string& i : args.ignore)
        if (!filter.Ignore(i, error)) return Error("--ignore: " + error);

    std::vector<ReportTarget> reports;
    auto add_reports = [&](const std::vector<std::string>& paths, auto write) {
        for (const std::string& p : paths) reports.push_back({p, write});
    };
    add_reports(args.json, [](const app::RunReport& rr, const app::WarningHelpTable&,
                              const std::string&) { return app::JsonReport(rr); });
    add_reports(args.sarif,
                [](const app::RunReport& rr, const app::WarningHelpTable& help,
                   const std::string& uri) { return app::SarifReport(rr, help, Version(), uri); });
    add_reports(args.junit, [](const app::RunReport& rr, const app::WarningHelpTable&,
                               const std::string&) { return app::JUnitReport(rr); });
    // Every place written to is checked before the run, which may take long.
    int to_stdout = 0;
    for (const ReportTarget& t : reports) {
        if (t.path == "-") {
            ++to_stdout;
        } else if (!Creatable(t.path)) {
            return Error("cannot write " + t.path + ": its directory is missing or not writable");
        }
    }
    if (to_stdout > 1) return Error("only one report can go to standard output");
    if (!args.log.empty() && !args.no_log && !Creatable(args.log)) {
        return Error("cannot write the log " + args.log +
                     ": its directory is missing or not writable");
    }

    HtmlLink::BuildLinkTagTable();
    const std::u16string settings_path =
        args.settings.empty() ? SettingsPath()
                              : platform::ToAbsoluteDriveForm(platform::FromUtf8(args.settings));
    CheckSets sets(1);
    Settings options;
    MainWindowState window;
    // Read only: the command-line checker never writes the settings file. Without one of its
    // own it runs on the defaults, but a file the user named must be there and readable.
    const LoadResult loaded = LoadSettings(settings_path, sets, options, window);
    if (!args.settings.empty() && loaded != LoadResult::Loaded) {
        return Error((loaded == LoadResult::Missing ? "no settings file at "
                                                    : "cannot read the settings file ") +
                     Shown(settings_path));
    }
    const bool has_settings = loaded == LoadResult::Loaded;
    if (options.LogEncoding == kLogEncodingInvalid && args.encoding.empty())
        Error("LogEncoding in " + Shown(settings_path) +
              " is neither 0 nor 1; the log is written in code page 932");

    app::RunRequest request;
    request.Options = &options;
    request.LocalCheck = window.LocalCheck;
    request.RemoteCheck = window.RemoteCheck;
    std::int32_t selected = options.SetId;
    if (!args.dir.empty()) {
        const std::u16string dir = platform::ToAbsoluteDriveForm(platform::FromUtf8(args.dir));
        CheckSet s = NewCheckSet();
        s.Url.clear();
        if (args.modern >= 0) s.ModernHtml = static_cast<std::uint8_t>(args.modern);
        // A folder served by index.htm is no directory listing on today's servers.
        if (s.ModernHtml == 1) s.DefaultDocument = {u"index.html", u"index.htm"};
        s.LocalPath = dir;
        // Named after the directory, so the log says which site it is about ('site.txt').
        std::u16string_view name = dir;
        while (!name.empty() && name.back() == u'\\') name.remove_suffix(1);
        name = name.substr(name.find_last_of(u'\\') + 1);
        if (!name.empty() && name.back() != u':') s.Name = name;
        sets.assign(1, s);
        selected = 0;
    } else if (!args.set_name.empty()) {
        const std::u16string wanted = platform::FromUtf8(args.set_name);
        selected = -1;
        for (size_t k = 0; k < sets.size() && !sets[k].Name.empty(); ++k)
            if (sets[k].Name == wanted) selected = static_cast<std::int32_t>(k);
        if (selected < 0) {
            return Error("no check set named '" + args.set_name + "' in " + Shown(settings_path));
        }
    }
    if (args.modern >= 0 && selected >= 0 && static_cast<std::size_t>(selected) < sets.size())
        sets[selected].ModernHtml = static_cast<std::uint8_t>(args.modern);
    request.Sets = &sets;
    request.SelectedIndex = selected;
    if (args.local >= 0) request.LocalCheck = static_cast<std::uint8_t>(args.local);
    if (args.remote >= 0) request.RemoteCheck = static_cast<std::uint8_t>(args.remote);
    if (!args.log_type.empty())
        options.LogType = args.log_type == "txt" ? 0 : args.log_type == "csv" ? 1 : 2;
    if (!args.encoding.empty())
        options.LogEncoding = args.encoding == "utf-8" ? kLogEncodingUtf8 : kLogEncodingCp932;
    if (!args.log.empty())
        request.LogPath = platform::ToAbsoluteDriveForm(platform::FromUtf8(args.log));
    request.NoLog = args.no_log;
    request.Filter = &filter;
    // One moment for the log and the reports; SOURCE_DATE_EPOCH fixes it for reproducible runs.
    std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH"); fixed && *fixed)
        now = std::strtoll(fixed, nullptr, 10);
    request.LogDateTime = app::LogDateTime(now);

    struct sigaction sa = {};
    sa.sa_handler = OnInterrupt;
    sigaction(SIGINT, &sa, nullptr);

    CliView view(args.quiet);
    app::CheckRun run(view);
    view.run = &run;
    run.cmdExecute_Click(request);
    // The run's message says only that there was nothing to check; say why.
    if (run.FindResult < 0) Error(SearchFailure(run.FindResult));
    // Directories that could not be searched are in the log too; here they reach a script.
    for (const VornFileList::UnsearchedDirectory& d : run.Unsearched) {
        Error(Shown(d.Path) + (d.TooLong ? ": not searched, the path is too long"
                                         : ": not searched, the directory cannot be read"));
    }
    if (view.failed || run.LastWarningCount < 0) return 2;
    // An interrupted run never says "no warnings": what it did not check may hold some.
    const bool cut_short = interrupted != 0 || run.LastRunInterrupted;

    HtmlLink::RunContext context;
    context.Set = &sets[selected];
    context.Options = &options;
    context.Files = &run.FileTable;
    context.Unsearched = &run.Unsearched;
    context.LocalCheck = request.LocalCheck == 1;
    context.RemoteCheck = request.RemoteCheck == 1;
    // Without a report or the summary only the count for the exit status is wanted: a large
    // site's items would take megabytes.
    const bool items = !reports.empty() || !args.quiet;
    app::RunReport report;
    if (!app::CollectReport(context, report,
                            items ? app::ReportContent::Items : app::ReportContent::CountsOnly))
        return Error("the reports could not be made");
    report.Date = app::IsoDateTime(now);
    if (!args.sarif_root.empty())
        report.UriRoot = platform::ToAbsoluteDriveForm(platform::FromUtf8(args.sarif_root));
    report.Complete = !cut_short;
    app::WarningHelpTable help;
    std::string help_uri;
    if (!args.sarif.empty() || !args.quiet) HelpEntries(help, help_uri);
    // Each document is made, and written to its file, on a thread of its own, for they only
    // read the report; standard output takes its document afterwards.
    std::vector<std::string> texts(reports.size());
    std::vector<char> done(reports.size(), 0);
    parallel::OnThreads(reports.size(), 0, [&](std::size_t k) noexcept {
        try {
            texts[k] = reports[k].write(report, help, help_uri);
            if (reports[k].path == "-") {
                done[k] = 1;
            } else {
                done[k] = VornFileIo::WriteFileReplacing(
                    platform::ToAbsoluteDriveForm(platform::FromUtf8(reports[k].path)), texts[k]);
                texts[k] = {};
            }
        } catch (...) {
        }
    });
    bool written = true;
    for (std::size_t k = 0; k < reports.size(); ++k) {
        const std::string& text = texts[k];
        if (done[k] && reports[k].path == "-")
            done[k] = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
        if (!done[k] && reports[k].path != "-") Error("writing " + reports[k].path + " failed");
        written = written && done[k];
    }

    if (!args.quiet) {
        std::string log_shown;
        if (!run.LastLogPath.empty()) {
            log_shown = Shown(platform::ToAbsoluteDriveForm(run.LastLogPath));
            if (args.log.empty() && !has_settings)
                log_shown += " (no settings file: the current directory; -o FILE chooses)";
        }
        const char* no_colour = std::getenv("NO_COLOR");
        app::SummaryStyle style;
        style.Colour = isatty(STDERR_FILENO) && !(no_colour && *no_colour);
        std::fputs((view.closing + app::SummaryText(report, help, log_shown, style)).c_str(),
                   stderr);
    }
    if (cut_short) Error("interrupted; the log holds what was checked before");
    // The log is written and closed; freeing the run's tables entry by entry would only cost
    // time, so the process ends here and the system takes the memory back.
    const bool flushed = std::fflush(stdout) == 0;
    std::fflush(stderr);
    // The log's count too: a run with a warning in its log is never clean, whatever the reports
    // were asked to hold.
    const bool warned = report.WarningCount > 0 || run.LastWarningCount > 0;
    _exit(cut_short || !written || !flushed ? 2 : warned ? 1 : 0);
}
