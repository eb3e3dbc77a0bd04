#pragma once
// The check run behind the Execute button: validation, file search, scan with the per-file
// checks, verification, the unlinked check, the log and the report. Both front ends (the main
// window and the command-line checker) drive this one implementation through a RunView.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/RunStages.h"
#include "engine/HtmlLink.h"
#include "lib/PathList.h"
#include "lib/StringList.h"
#include "lib/VornFileList.h"
#include "settings/Settings.h"
#include "verify/RunContext.h"

namespace app {

class WarningFilter;  // app/Reports.h

enum class BoxIcon : std::uint8_t { Exclamation, Question, Information };
enum class BoxButtons : std::uint8_t { Ok, YesNo };
enum class BoxAnswer : std::uint8_t { Ok, Yes, No };

// Where a run stands. Scanning and Verifying are the stages that yield and may be cancelled;
// a cancel request holds until the user answers the question about it.
enum class RunState : std::uint8_t {
    Idle,
    Searching,
    Scanning,
    Verifying,
    CancelRequested,
    Writing,
};

// The progress of a run as numbers, for front ends that show it their own way.
struct RunProgress {
    RunState Stage = RunState::Idle;  // never CancelRequested; Idle once the run has ended
    std::int64_t DoneBytes = 0;       // of the files scanned so far
    std::int64_t TotalBytes = 0;      // of every file found
    std::size_t DoneFiles = 0;
    std::size_t TotalFiles = 0;
    int Percent = 0;  // of the scan stage, as the title shows it
};

// Everything a run shows to the user or asks of the window system.
class RunView {
public:
    virtual ~RunView() = default;
    // The whole title text of the main window.
    virtual void ShowTitle(std::u16string_view title) = 0;
    // The check-set list, New, Edit, Delete, Settings, About and the two check boxes.
    virtual void SetControlsEnabled(bool enabled) = 0;
    virtual void SetExecuteButton(std::u16string_view caption, bool enabled) = 0;
    // Processes pending events; a second click on the Execute button may arrive here.
    virtual void YieldToWindowSystem() = 0;
    // A modal message box; `default_no` makes No the default button of a Yes/No box.
    virtual BoxAnswer ShowMessage(BoxIcon icon, BoxButtons buttons, bool default_no,
                                  std::u16string_view title, std::u16string_view text) = 0;
    // The same progress as the title, as numbers: at each change of stage and after each
    // scanned file.
    virtual void ShowProgress(const RunProgress& /*progress*/) {}
    // True for a window that must go on processing events through the steps that cannot stop
    // (the search, the unlinked check, the log, letting go of the last run's results): the run
    // does them on a thread of its own and yields every few milliseconds meanwhile. A front end
    // without a window keeps the default, and these steps run where they are called.
    virtual bool YieldsWhileBusy() const { return false; }
};

// What a run reads from the window and the settings.
struct RunRequest {
    const CheckSets* Sets = nullptr;
    Settings* Options = nullptr;      // SetId is written
    std::int32_t SelectedIndex = -1;  // the list's selection
    std::uint8_t LocalCheck = 1;      // chkLocalCheck
    std::uint8_t RemoteCheck = 0;     // chkRemoteCheck
    std::u16string LocalCheckCaption = u"ローカル リンク";
    std::u16string RemoteCheckCaption = u"リモート リンク";
    std::u16string LogPath;  // when not empty, the log goes here instead of the log directory
    std::u16string LogDateTime;  // fixes the log's date and time (tests); empty: the clock
    int ScanWorkers = -1;  // threads that scan ahead of the loop; -1 as many as the machine has
    int VerifyWorkers = -1;  // threads that verify beside the loop; -1 one on a machine of two cores
    // Sites of at least this many files have their links verified grouped by target (TargetOrder):
    // a small site's fit in the processor's cache in any order.
    std::size_t TargetOrderFiles = 4096;
    // Warning numbers left out of the log, its count and the tables; null keeps every one.
    const WarningFilter* Filter = nullptr;
    bool NoLog = false;  // count the warnings as the log would, but write no file
};

class CheckRun {
public:
    explicit CheckRun(RunView& view) : view_(view) {}

    // The Execute button's click: starts a run, or asks the running one to stop.
    void cmdExecute_Click(const RunRequest& request);
    // The same click while a run is in progress (no request needed to cancel).
    void cmdExecute_Click();

    // True when the run is to stop; asks the user when a stop was requested.
    bool ConfirmCancel();

    // True while the run scans or verifies and no stop has been asked for.
    bool Running() const { return state_ == RunState::Scanning || state_ == RunState::Verifying; }
    RunState State() const { return state_; }

    // The results of the last run; they stay until the next one.
    HtmlLink::FileTable FileTable;
    PathList::PathEntries Paths;
    std::u16string LastLogPath;  // empty when no log was asked for
    std::int32_t LastWarningCount = -1;  // -1 when no log was written
    bool LastRunInterrupted = false;      // stopped before its end (the button or Ctrl-C)
    VornFileList::UnsearchedList Unsearched;  // directories the search could not list
    std::int64_t TotalBytes = 0;
    std::int64_t DoneBytes = 0;
    // The file search's own result in the last run: the number of files found, or -1 failure,
    // -2 base directory missing, -3 directory walk failed. The user is told only that there
    // were no candidate files; a front end may say why.
    std::int32_t FindResult = 0;

    static constexpr std::u16string_view kExecuteCaption = u"チェック";
    static constexpr std::u16string_view kStopCaption = u"中 止";

private:
    // The stages in order. Each returns false with the message of the error exit (empty:
    // unknown error) when the run cannot go on.
    bool Run(const RunRequest& request, std::u16string& error);
    bool Validate(const RunRequest& request, const CheckSet*& set, std::u16string& error);
    // Also lets go of the last run's results.
    bool Search(const CheckSet& set, StringList& found, std::u16string& error,
                HtmlLink::FileTable& previous_files, PathList::PathEntries& previous_paths);
    void Scan(const RunRequest& request, const CheckSet& set, const StringList& found);
    void Verify(HtmlLink::RunContext& run, int workers);
    bool WriteAndReport(const RunRequest& request, const CheckSet& set, HtmlLink::RunContext& run,
                        std::u16string& error);

    // Asks the running stage to stop; nothing while no stage that can stop is running.
    void RequestCancel();
    // Enters a stage: its title and its progress.
    void Enter(RunState stage, std::u16string_view title_suffix);
    void Title(std::u16string_view suffix);
    void Progress(RunState stage);

    RunView& view_;
    RunState state_ = RunState::Idle;
    RunState resume_ = RunState::Idle;  // the stage a refused cancel request goes back to
    std::size_t done_files_ = 0;
    std::vector<std::int64_t> sizes_;  // of the files found, as the search listed them
    TargetOrder by_target_;  // the links of the files scanned, when verified by target
};

// The percentage of done bytes, rounded half to even; by file count when the total is unknown.
int ProgressPercent(std::int64_t done_bytes, std::int64_t total_bytes, std::size_t done_files,
                    std::size_t total_files);

}  // namespace app
