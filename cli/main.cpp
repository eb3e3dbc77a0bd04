// mokuroku-check: the check run without a window, for scripts and CI.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/CheckRun.h"
#include "engine/LinkTags.h"
#include "lib/Convert.h"
#include "platform/HostPath.h"
#include "platform/Program.h"
#include "platform/Text.h"
#include "settings/SettingsFile.h"

namespace {

constexpr char kUsage[] =
    "usage: mokuroku-check [options] [DIR]\n"
    "  DIR                   check DIR with the settings of a new check set (its URL empty)\n"
    "  -s, --settings FILE   settings file (default: mokuroku.ini beside the program, else\n"
    "                        ~/.config/mokuroku/mokuroku.ini)\n"
    "  -c, --set NAME        the stored check set NAME (default: the one SetId selects)\n"
    "  -o, --log FILE        write the log to FILE instead of the log directory\n"
    "  -t, --log-type txt|csv|tsv\n"
    "      --local, --no-local, --remote, --no-remote   override the two check boxes\n"
    "  -q, --quiet           no progress\n"
    "  -h, --help, --version\n"
    "Exit status: 0 no warnings, 1 warnings, 2 the check could not be carried out.\n";

volatile sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
    // A second Ctrl-C ends the program at once.
    signal(SIGINT, SIG_DFL);
}

void Print(FILE* to, std::u16string_view text) {
    std::string bytes = platform::ToUtf8(text);
    // Messages use CR LF as the message boxes do; a terminal wants LF.
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        out += bytes[i];
    }
    std::fputs(out.c_str(), to);
}

// The host path of a drive-form path, for showing it.
std::u16string Shown(std::u16string_view drive) {
    std::string host;
    if (!platform::DriveToHost(drive, host)) return std::u16string(drive);
    return platform::FromUtf8(host);
}

class CliView final : public app::RunView {
public:
    CliView(bool quiet) : quiet_(quiet), tty_(isatty(STDERR_FILENO)) {}
    app::CheckRun* run = nullptr;
    bool failed = false;

    void ShowTitle(std::u16string_view) override {}
    void ShowProgress(const app::RunProgress& progress) override {
        if (quiet_ || progress.Stage != app::RunState::Scanning) return;
        const int percent = progress.Percent;
        if (percent == last_) return;
        // A log file or a CI job gets a line every tenth, not a hundred lines.
        if (!tty_ && percent % 10 != 0) return;
        last_ = percent;
        Print(stderr, (tty_ ? u"\r" : u"") + ToDecimal(percent) + u"%" + (tty_ ? u"" : u"\n"));
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
            Print(stderr, std::u16string(u"mokuroku-check: ") + std::u16string(text) + u"\n");
            return app::BoxAnswer::Ok;
        }
        if (icon == app::BoxIcon::Question) return app::BoxAnswer::Yes;  // Ctrl-C confirms
        // The closing report: its question about showing the log has no meaning here.
        std::u16string shown(text);
        const size_t ask = shown.find(u"\r\n\r\n");
        if (ask != shown.npos) shown.resize(ask);
        Print(stdout, shown + u"\n");
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
std::u16string_view SearchFailure(std::int32_t find_result) {
    switch (find_result) {
        case -2:
            return u"the file search found no base directory";
        case -3:
            return u"the file search could not walk the directories";
        default:
            return u"the file search failed";
    }
}

int Usage(const char* problem) {
    std::fprintf(stderr, "mokuroku-check: %s\n%s", problem, kUsage);
    return 2;
}

struct Arguments {
    std::u16string settings_path, set_name, log_path, dir;  // paths in drive form
    int log_type = -1, local = -1, remote = -1;             // -1: as the settings say
    bool quiet = false;
};

// Reads the command line; -1 to go on with the check, else the exit status.
int ParseArguments(int argc, char** argv, Arguments& args) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) return nullptr;
            (void)what;
            return argv[++i];
        };
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--version") {
            Print(stdout, std::u16string(u"mokuroku-check (") +
                              std::u16string(platform::ProductName()) + u") " +
                              ToDecimal(platform::VersionMajor()) + u"." +
                              ToDecimalPadded(platform::VersionMinor(), 2) + u"\n");
            return 0;
        } else if (a == "-s" || a == "--settings" || a == "-c" || a == "--set" || a == "-o" ||
                   a == "--log" || a == "-t" || a == "--log-type") {
            const char* v = value(a.c_str());
            if (!v) return Usage(("missing value for " + a).c_str());
            const std::u16string text = platform::FromUtf8(v);
            if (a == "-s" || a == "--settings") {
                args.settings_path = platform::ToAbsoluteDriveForm(text);
            } else if (a == "-c" || a == "--set") {
                args.set_name = text;
            } else if (a == "-o" || a == "--log") {
                args.log_path = platform::ToAbsoluteDriveForm(text);
            } else if (text == u"txt" || text == u"csv" || text == u"tsv") {
                args.log_type = text == u"txt" ? 0 : text == u"csv" ? 1 : 2;
            } else {
                return Usage("the log type is txt, csv or tsv");
            }
        } else if (a == "--local") {
            args.local = 1;
        } else if (a == "--no-local") {
            args.local = 0;
        } else if (a == "--remote") {
            args.remote = 1;
        } else if (a == "--no-remote") {
            args.remote = 0;
        } else if (a == "-q" || a == "--quiet") {
            args.quiet = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(("unknown option " + a).c_str());
        } else if (args.dir.empty()) {
            args.dir = platform::ToAbsoluteDriveForm(platform::FromUtf8(a));
        } else {
            return Usage("only one directory can be checked at a time");
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (const int status = ParseArguments(argc, argv, args); status >= 0) return status;
    const std::u16string& set_name = args.set_name;
    const std::u16string& dir = args.dir;
    std::u16string settings_path = args.settings_path;

    HtmlLink::BuildLinkTagTable();
    const bool settings_named = !settings_path.empty();
    if (!settings_named) settings_path = SettingsPath();
    CheckSets sets(1);
    Settings options;
    MainWindowState window;
    // Read only: the command-line checker never writes the settings file. Without one of its
    // own it runs on the defaults, but a file the user named must be there and readable.
    const LoadResult loaded = LoadSettings(settings_path, sets, options, window);
    if (settings_named && loaded != LoadResult::Loaded) {
        Print(stderr, u"mokuroku-check: " +
                          std::u16string(loaded == LoadResult::Missing
                                             ? u"no settings file at "
                                             : u"cannot read the settings file ") +
                          Shown(settings_path) + u"\n");
        return 2;
    }

    app::RunRequest request;
    request.Options = &options;
    request.LocalCheck = window.LocalCheck;
    request.RemoteCheck = window.RemoteCheck;
    std::int32_t selected = options.SetId;
    if (!dir.empty()) {
        CheckSet s = NewCheckSet();
        s.Url.clear();
        s.LocalPath = dir;
        // Named after the directory, so the log says which site it is about ('site.txt').
        std::u16string_view name = dir;
        while (!name.empty() && name.back() == u'\\') name.remove_suffix(1);
        name = name.substr(name.find_last_of(u'\\') + 1);
        if (!name.empty() && name.back() != u':') s.Name = name;
        sets.assign(1, s);
        selected = 0;
    } else if (!set_name.empty()) {
        selected = -1;
        for (size_t k = 0; k < sets.size() && !sets[k].Name.empty(); ++k)
            if (sets[k].Name == set_name) selected = static_cast<std::int32_t>(k);
        if (selected < 0) {
            Print(stderr, u"mokuroku-check: no check set named '" + set_name + u"' in " +
                              Shown(settings_path) + u"\n");
            return 2;
        }
    }
    request.Sets = &sets;
    request.SelectedIndex = selected;
    if (args.local >= 0) request.LocalCheck = static_cast<std::uint8_t>(args.local);
    if (args.remote >= 0) request.RemoteCheck = static_cast<std::uint8_t>(args.remote);
    if (args.log_type >= 0) options.LogType = static_cast<std::uint8_t>(args.log_type);
    request.LogPath = args.log_path;

    struct sigaction sa = {};
    sa.sa_handler = OnInterrupt;
    sigaction(SIGINT, &sa, nullptr);

    CliView view(args.quiet);
    app::CheckRun run(view);
    view.run = &run;
    run.cmdExecute_Click(request);
    if (run.FindResult < 0) {
        // The run's message says only that there was nothing to check; say why.
        Print(stderr, u"mokuroku-check: " + std::u16string(SearchFailure(run.FindResult)) + u"\n");
    }
    // Directories that could not be searched are in the log too; here they reach a script.
    for (const VornFileList::UnsearchedDirectory& d : run.Unsearched) {
        Print(stderr, u"mokuroku-check: " + Shown(d.Path) +
                          (d.TooLong ? u": not searched, the path is too long\n"
                                     : u": not searched, the directory cannot be read\n"));
    }
    if (view.failed || run.LastWarningCount < 0) return 2;
    Print(stdout, u"ログ: " + Shown(run.LastLogPath) + u"\n");
    // An interrupted run never says "no warnings": what it did not check may hold some.
    const bool cut_short = interrupted != 0 || run.LastRunInterrupted;
    if (cut_short)
        std::fputs("mokuroku-check: interrupted; the log holds what was checked before\n", stderr);
    // The log is written and closed; freeing the run's tables entry by entry would only cost
    // time, so the process ends here and the system takes the memory back.
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(cut_short ? 2 : run.LastWarningCount == 0 ? 0 : 1);
}
