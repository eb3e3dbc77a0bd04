#pragma once
// The main window: the list of check sets and the buttons that edit them, the two check boxes,
// and the check run, which the window hosts as its RunView. Its life is the life of the process.
#include <QWidget>
#include <functional>
#include <string>

#include "app/CheckRun.h"
#include "platform/qt/Desktop.h"
#include "settings/SettingsFile.h"

class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QPushButton;

class frmMain : public QWidget, public app::RunView {
    Q_OBJECT

public:
    // `settings_path` is the settings file (drive form) read at load and written at unload; the
    // lock that refuses a second instance lies beside it.
    explicit frmMain(std::u16string settings_path, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up. False when another instance runs: the start-up error has been shown, nothing was
    // loaded, and the program is to end without showing or saving anything.
    bool Form_Load();
    // Remembers the position while the window is neither minimised nor maximised.
    void Form_Resize();
    // Saves the settings and closes the help; during a run it also ends the process.
    void Form_Unload();

    void SetControlsEnabled(bool enabled) override;

    void cmdNewSet_Click();
    void cmdEditSet_Click();
    void cmdDeleteSet_Click();
    void cmdExecute_Click();
    void cmdOption_Click();
    void cmdHelp_Click();
    void cmdAbout_Click();

    // Places a dialog over this window and shows it modally; returns its result.
    int ShowModal(QDialog& dialog);

    // The process-wide records the dialogs edit.
    CheckSets& Sets() { return sets_; }
    Settings& Options() { return options_; }
    const app::CheckRun& Run() const { return run_; }

    QString HelpPath;
    // Ends the process when the window closes during a run (the run is still on the stack).
    std::function<void()> EndProgram;

    QLabel* lblCheckSet;
    QComboBox* cmbTargetSet;
    QPushButton* cmdNewSet;
    QPushButton* cmdEditSet;
    QPushButton* cmdDeleteSet;
    QCheckBox* chkLocalCheck;
    QCheckBox* chkRemoteCheck;
    QPushButton* cmdExecute;
    QPushButton* cmdOption;
    QPushButton* cmdHelp;
    QPushButton* cmdAbout;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // The run's view of the window.
    void ShowTitle(std::u16string_view title) override;
    void SetExecuteButton(std::u16string_view caption, bool enabled) override;
    void YieldToWindowSystem() override;
    bool YieldsWhileBusy() const override { return true; }
    app::BoxAnswer ShowMessage(app::BoxIcon icon, app::BoxButtons buttons, bool default_no,
                               std::u16string_view title, std::u16string_view text) override;

    // Where the dialogs of the check sets and of the environment are opened.
    void ShowCheckSetDialog();
    void ShowEnvironmentDialog();

    void LayOutButtons();
    void ApplyLoadedState(const MainWindowState& state);
    MainWindowState StateToSave() const;
    bool IsNormal() const;

    std::u16string settings_path_;
    CheckSets sets_;
    Settings options_;
    app::CheckRun run_;
    platform::SingleInstance instance_;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool in_run_ = false;
    std::int32_t last_normal_top_ = 0;
    std::int32_t last_normal_left_ = 0;
};
