#pragma once
// The application-wide log settings: the log directory, overwrite or numbered logs, the log
// format and how file names appear in it. OK stores into the settings held in memory only.
#include <QDialog>
#include <cstdint>
#include <string>

#include "settings/Settings.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmEnvironment : public QDialog {
    Q_OBJECT
public:
    // `own_directory` (ending with '\') is taken when the log directory is left empty: the
    // directory of the settings file.
    frmEnvironment(Settings& settings, std::u16string own_directory, QWidget* owner = nullptr);

    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    void cmdDirectoryDialog_Click();

    // 0 stored, 1 not stored (a message was shown, or a failure, which stores nothing).
    std::uint8_t ApplyEnvironment();

    static constexpr int kHelpContext = 103;

protected:
    void reject() override;

private:
    void Form_Load();
    void LoadValue();

    Settings& settings_;
    std::u16string own_directory_;
    QLabel* lblLogFileDirectory_ = nullptr;
    QLineEdit* txtLogFileDirectory_ = nullptr;
    QPushButton* cmdDirectoryDialog_ = nullptr;
    QCheckBox* chkLogFileIncrement_ = nullptr;
    QAbstractButton* optLogType_[3] = {};
    QAbstractButton* optLogEncoding_[2] = {};
    QCheckBox* chkTrimLogPath_ = nullptr;
    QCheckBox* chkUseSlashLogPath_ = nullptr;
    QCheckBox* chkAlwaysLogRemoteLink_ = nullptr;
    QCheckBox* chkFileNameCaseSensitive_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
};
