#pragma once
// Creates a check set (SetId -1) or edits check set SetId: loads it into the controls, and on
// OK validates every field in a fixed order, shows the first problem and stays open, or stores
// the set into the table and the main window's list and closes.
#include <QDialog>
#include <cstdint>
#include <string>

#include "settings/Settings.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmCheckSet : public QDialog {
    Q_OBJECT
public:
    // The main window's controls that follow the table: the list of check sets and the Edit
    // and Delete buttons, enabled once the list has an item. Any of them may be null.
    struct MainList {
        QComboBox* cmbTargetSet = nullptr;
        QWidget* cmdEditSet = nullptr;
        QWidget* cmdDeleteSet = nullptr;
    };

    // Reads settings.SetId (-1 for a new set) and loads the dialog.
    frmCheckSet(CheckSets& sets, Settings& settings, MainList list, QWidget* owner = nullptr);

    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    void cmdDirectoryDialog_Click();
    void cmdFileOption_Click();

    // 0 stored, 1 not stored (a message was shown, or a failure, which stores nothing).
    std::uint8_t ApplyCheckSet();

    // The example line of the URL messages.
    static constexpr std::u16string_view kUrlExample = u"（例 : http://www.example.jp/~user/）";
    static constexpr int kHelpContext = 102;

protected:
    void reject() override;

private:
    void Form_Load();
    void LoadCheckSetDialog();
    // Shows the error box; always 1, the result of a failed ApplyCheckSet.
    std::uint8_t Fail(const std::u16string& message);
    std::u16string Caption(const QLabel* label) const;

    CheckSets& sets_;
    Settings& settings_;
    MainList list_;

    QLabel* lblSetName_ = nullptr;
    QLineEdit* txtSetName_ = nullptr;
    QLabel* lblBaseDirectory_ = nullptr;
    QLineEdit* txtBaseDirectory_ = nullptr;
    QPushButton* cmdDirectoryDialog_ = nullptr;
    QLabel* lblBaseUrl_ = nullptr;
    QLineEdit* txtBaseUrl_ = nullptr;
    QLabel* lblDefaultDocument_ = nullptr;
    QLineEdit* txtDefaultDocument_ = nullptr;
    QLabel* lblHtmlFileName_ = nullptr;
    QLineEdit* txtHtmlFileName_ = nullptr;
    QPushButton* cmdFileOption_ = nullptr;
    // The nine alert boxes in their order on the form.
    static constexpr int kAlertCount = 9;
    QCheckBox* alerts_[kAlertCount] = {};
    // How pages are read (ModernHtml), in the place kept for it below the nine.
    QCheckBox* chkModernHtml_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
};
