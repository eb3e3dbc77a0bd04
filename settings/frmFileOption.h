#pragma once
// The file search options of one check set: the attributes a file or directory may carry and
// still be searched, and the names to ignore. It edits only the six exchange values below; the
// check-set dialog fills them before opening it and stores them after its own OK.
#include <QDialog>
#include <cstdint>
#include <string>
#include <string_view>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmFileOption : public QDialog {
    Q_OBJECT
public:
    // The exchange values; the texts are the patterns joined with ";".
    static inline std::uint8_t PendingFileAttribute = 1;
    static inline std::uint8_t PendingFilePatternXEnabled = 1;
    static inline std::u16string PendingFilePatternX = u"*.bak;*.log";
    static inline std::uint8_t PendingDirAttribute = 1;
    static inline std::uint8_t PendingDirPatternXEnabled = 0;
    static inline std::u16string PendingDirPatternX;

    // Builds the controls, lays out the buttons and loads the exchange values.
    explicit frmFileOption(QWidget* owner = nullptr);

    // Empty when the pattern text holds none of / \ < > " | :, else the message to show.
    static std::u16string CheckPatternText(std::u16string_view text);

    void chkFilePattern_Click();
    void chkDirPattern_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    // 0 stored, 1 not stored (a message was shown or something failed).
    std::uint8_t ApplyOptions();

protected:
    void reject() override;  // Escape and the close box cancel

private:
    void Form_Load();
    void LoadOptions();

    QAbstractButton* chkFileOption_[3] = {};
    QCheckBox* chkFilePattern_ = nullptr;
    QLineEdit* txtFilePattern_ = nullptr;
    QAbstractButton* chkDirOption_[3] = {};
    QCheckBox* chkDirPattern_ = nullptr;
    QLineEdit* txtDirPattern_ = nullptr;
    QLabel* lblComment_[2] = {};
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};
