#pragma once
// The check run behind the Execute button: validation, file search, scan with the per-file
// checks, verification, the unlinked check, the log and the report. Both front ends (the main
// window and the command-line checker) drive this one implementation through a RunView.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/HtmlLink.h"
#include "lib/PathList.h"
#include "lib/VornFileList.h"
#include "settings/Settings.h"

namespace app {

enum class BoxIcon : std::uint8_t { Exclamation, Question, Information };
enum class BoxButtons : std::uint8_t { Ok, YesNo };
enum class BoxAnswer : std::uint8_t { Ok, Yes, No };

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

    bool Running() const { return Running_; }

    // The results of the last run; they stay until the next one.
    HtmlLink::FileTable FileTable;
    PathList::PathEntries Paths;
    std::u16string LastLogPath;
    std::int32_t LastWarningCount = -1;  // -1 when no log was written
    bool LastRunInterrupted = false;      // stopped before its end (the button or Ctrl-C)
    VornFileList::UnsearchedList Unsearched;  // directories the search could not list
    std::int64_t TotalBytes = 0;
    std::int64_t DoneBytes = 0;

    static constexpr std::u16string_view kExecuteCaption = u"チェック";
    static constexpr std::u16string_view kStopCaption = u"中 止";

private:
    // False with the message of the error exit (empty: unknown error).
    bool Run(const RunRequest& request, std::u16string& error);
    void Title(std::u16string_view suffix);

    RunView& view_;
    bool Running_ = false;
    std::u16string caption_ = std::u16string(kExecuteCaption);
};

// The percentage of done bytes, rounded half to even; by file count when the total is unknown.
int ProgressPercent(std::int64_t done_bytes, std::int64_t total_bytes, std::size_t done_files,
                    std::size_t total_files);

}  // namespace app
