#include "settings/frmFileOption.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/VornApp.h"
#include "dialogs/FormParts.h"
#include "gui/QtText.h"
#include "platform/qt/MessageBox.h"

namespace {
constexpr std::u16string_view kTitle = u"ファイル検索オプション";
constexpr std::u16string_view kFileFrame = u"ファイル";
constexpr std::u16string_view kFileAttribute = u"以下の属性のファイルを検索対象に含む。";
constexpr std::u16string_view kFileOptions[3] = {u"読み取り専用ファイル", u"隠しファイル",
                                                 u"システム ファイル"};
constexpr std::u16string_view kFilePattern = u"以下のパターンに合致するファイルは無視する。";
constexpr std::u16string_view kDirFrame = u"ディレクトリ";
constexpr std::u16string_view kDirAttribute = u"以下の属性のディレクトリを検索対象に含む。";
constexpr std::u16string_view kDirOptions[3] = {u"読み取り専用ディレクトリ", u"隠しディレクトリ",
                                                u"システム ディレクトリ"};
constexpr std::u16string_view kDirPattern = u"以下のパターンに合致するディレクトリは無視する。";
constexpr std::u16string_view kComment = u"複数のパターンを指定する場合は「;」で区切ってください。";
constexpr std::u16string_view kForbiddenInPattern =
    u"パターン記述に\r\n\\ / < > \" | :\r\nを使うことはできませｎ。";
constexpr std::u16string_view kPatternMalformed = u"パターン記述が不正です。";
constexpr std::u16string_view kPatternBoxTitle = u"パターン記述が不正です";
constexpr std::u16string_view kFileNamePrefix = u"ファイル名";
constexpr std::u16string_view kDirNamePrefix = u"ディレクトリ名";

// An unchecked pattern box greys its text box (button face, as a disabled box looks) and hint;
// the text itself stays.
void SetPatternBoxEnabled(QLineEdit* text, QLabel* hint, bool enabled) {
    QPalette palette = text->palette();
    palette.setColor(QPalette::Base, text->style()->standardPalette().color(
                                         enabled ? QPalette::Base : QPalette::Button));
    text->setPalette(palette);
    text->setEnabled(enabled);
    hint->setEnabled(enabled);
}
}  // namespace

frmFileOption::frmFileOption(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmFileOption"));
    setWindowTitle(ToQString(kTitle));
    setModal(true);

    // Both frames are built alike; only their texts and members differ.
    auto frame = [this](const char* frame_name, std::u16string_view caption,
                        const char* attr_label_name, std::u16string_view attr_caption,
                        const char* option_name, const std::u16string_view(&options)[3],
                        QAbstractButton*(&boxes)[3], const char* pattern_name,
                        std::u16string_view pattern_caption, QCheckBox*& pattern_box,
                        const char* text_name, QLineEdit*& text, int comment_index) {
        auto* fra = new QGroupBox(ToQString(caption), this);
        fra->setObjectName(QString::fromLatin1(frame_name));
        auto* grid = new QGridLayout(fra);
        auto* lbl = new QLabel(ToQString(attr_caption), fra);
        lbl->setObjectName(QString::fromLatin1(attr_label_name));
        grid->addWidget(lbl, 0, 0, 1, 3);
        for (int i = 0; i < 3; ++i) {
            boxes[i] = new QCheckBox(ToQString(options[i]), fra);
            boxes[i]->setObjectName(ControlArrayName(option_name, i));
            grid->addWidget(boxes[i], 1, i);
        }
        pattern_box = new QCheckBox(ToQString(pattern_caption), fra);
        pattern_box->setObjectName(QString::fromLatin1(pattern_name));
        pattern_box->setChecked(true);
        grid->addWidget(pattern_box, 2, 0, 1, 3);
        text = MakeTextBox(fra, text_name);
        text->setAccessibleName(ToQString(pattern_caption));
        grid->addWidget(text, 3, 0, 1, 3);
        lblComment_[comment_index] = new QLabel(ToQString(kComment), fra);
        lblComment_[comment_index]->setObjectName(ControlArrayName("lblComment", comment_index));
        lblComment_[comment_index]->setBuddy(text);
        grid->addWidget(lblComment_[comment_index], 4, 0, 1, 3);
        return fra;
    };

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame("fraFile", kFileFrame, "lblFileAttribute", kFileAttribute,
                            "chkFileOption", kFileOptions, chkFileOption_, "chkFilePattern",
                            kFilePattern, chkFilePattern_, "txtFilePattern", txtFilePattern_, 0));
    layout->addWidget(frame("fraDir", kDirFrame, "lblDirAttribute", kDirAttribute, "chkDirOption",
                            kDirOptions, chkDirOption_, "chkDirPattern", kDirPattern,
                            chkDirPattern_, "txtDirPattern", txtDirPattern_, 1));

    cmdOK_ = MakeButton(this, "cmdOK", u"O K");
    cmdCancel_ = MakeButton(this, "cmdCancel", u"取 消");
    cmdOK_->setDefault(true);
    ReserveButtonRow(layout, cmdOK_);

    connect(chkFilePattern_, &QCheckBox::clicked, this, &frmFileOption::chkFilePattern_Click);
    connect(chkDirPattern_, &QCheckBox::clicked, this, &frmFileOption::chkDirPattern_Click);
    connect(cmdOK_, &QPushButton::clicked, this, &frmFileOption::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmFileOption::cmdCancel_Click);

    SetTabOrder({chkFileOption_[0], chkFileOption_[1], chkFileOption_[2], chkFilePattern_,
                 txtFilePattern_, chkDirOption_[0], chkDirOption_[1], chkDirOption_[2],
                 chkDirPattern_, txtDirPattern_, cmdOK_, cmdCancel_});
    FixDialogSize(this);
    Form_Load();
}

void frmFileOption::Form_Load() {
    // Cancel starts at the middle of the dialog, OK directly left of it.
    const int y = ButtonRowTop(this, cmdOK_);
    cmdCancel_->move(width() / 2, y);
    cmdOK_->move(cmdCancel_->x() - cmdOK_->width(), y);
    LoadOptions();
}

void frmFileOption::LoadOptions() {
    VornApp::SetChecksFromMask(chkFileOption_, 0, 2, PendingFileAttribute);
    if (PendingFilePatternXEnabled == 0) {
        chkFilePattern_->setChecked(false);
        chkFilePattern_Click();
    }
    txtFilePattern_->setText(ToQString(PendingFilePatternX));
    VornApp::SetChecksFromMask(chkDirOption_, 0, 2, PendingDirAttribute);
    if (PendingDirPatternXEnabled == 0) {
        chkDirPattern_->setChecked(false);
        chkDirPattern_Click();
    }
    txtDirPattern_->setText(ToQString(PendingDirPatternX));
}

void frmFileOption::chkFilePattern_Click() {
    SetPatternBoxEnabled(txtFilePattern_, lblComment_[0], chkFilePattern_->isChecked());
}

void frmFileOption::chkDirPattern_Click() {
    SetPatternBoxEnabled(txtDirPattern_, lblComment_[1], chkDirPattern_->isChecked());
}

std::u16string frmFileOption::CheckPatternText(std::u16string_view text) try {
    if (text.find_first_of(u"/\\<>\"|:") == std::u16string_view::npos) return {};
    return std::u16string(kForbiddenInPattern);
} catch (...) {
    return std::u16string(kPatternMalformed);
}

std::uint8_t frmFileOption::ApplyOptions() try {
    const struct {
        QCheckBox* enabled;
        QLineEdit* text;
        std::u16string_view prefix;
    } patterns[] = {{chkFilePattern_, txtFilePattern_, kFileNamePrefix},
                    {chkDirPattern_, txtDirPattern_, kDirNamePrefix}};
    for (const auto& p : patterns) {
        if (!p.enabled->isChecked()) continue;
        const std::u16string message = CheckPatternText(FromQString(p.text->text()));
        if (!message.empty()) {
            platform::ShowError(this, ToQString(std::u16string(p.prefix) + message),
                                kPatternBoxTitle);
            return 1;
        }
    }
    // Everything is read before anything is stored, so a failure cannot store half.
    const std::uint8_t file_mask =
        static_cast<std::uint8_t>(VornApp::MaskFromChecks(chkFileOption_, 0, 2));
    const std::uint8_t dir_mask =
        static_cast<std::uint8_t>(VornApp::MaskFromChecks(chkDirOption_, 0, 2));
    std::u16string file_text = FromQString(txtFilePattern_->text());
    std::u16string dir_text = FromQString(txtDirPattern_->text());
    PendingFileAttribute = file_mask;
    PendingFilePatternXEnabled = chkFilePattern_->isChecked() ? 1 : 0;
    PendingFilePatternX = std::move(file_text);
    PendingDirAttribute = dir_mask;
    PendingDirPatternXEnabled = chkDirPattern_->isChecked() ? 1 : 0;
    PendingDirPatternX = std::move(dir_text);
    return 0;
} catch (...) {
    return 1;
}

void frmFileOption::cmdOK_Click() {
    if (ApplyOptions() == 0) accept();
}

void frmFileOption::cmdCancel_Click() { QDialog::reject(); }

void frmFileOption::reject() { cmdCancel_Click(); }
