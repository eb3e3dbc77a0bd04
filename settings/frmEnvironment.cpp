#include "settings/frmEnvironment.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/VornApp.h"
#include "dialogs/FormParts.h"
#include "gui/QtText.h"
#include "lib/VornFilePath.h"
#include "platform/HostPath.h"
#include "platform/qt/MessageBox.h"

namespace {
constexpr std::u16string_view kTitle = u"環境設定";
constexpr std::u16string_view kLogFileDirectory = u"ログファイルを作成するディレクトリ";
constexpr std::u16string_view kLogFileIncrement = u"ログファイルを毎回上書きする。";
constexpr std::u16string_view kLogTypeFrame = u"ログファイルの形式";
constexpr std::u16string_view kLogTypes[3] = {u"平文TXT", u"CSV", u"タブ区切りTXT"};
constexpr std::u16string_view kLogEncodingFrame = u"ログファイルの文字コード";
constexpr std::u16string_view kLogEncodings[2] = {u"シフトJIS", u"UTF-8"};
constexpr std::u16string_view kFileNameFrame = u"警告対象ファイル名の形式";
constexpr std::u16string_view kTrimLogPath = u"基準ディレクトリ名部分は省略する。";
constexpr std::u16string_view kUseSlashLogPath = u"ディレクトリ区切り記号に \"/\" を使う。";
constexpr std::u16string_view kAlwaysLogRemoteLink = u"リモート リンクは常にログへ書き込む。";
constexpr std::u16string_view kFileNameCaseSensitive = u"ファイル名の大／小文字を区別する。";
constexpr std::u16string_view kDirectoryMissing = u"で指定されたディレクトリは存在しません。";
constexpr std::u16string_view kNeedDirectory = u"にはディレクトリ名を指定してください。";

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, std::u16string_view caption) {
    auto* box = new QCheckBox(ToQString(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

std::uint8_t Flag(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }
}  // namespace

frmEnvironment::frmEnvironment(Settings& settings, std::u16string own_directory, QWidget* owner)
    : QDialog(owner), settings_(settings), own_directory_(std::move(own_directory)) {
    setObjectName(QStringLiteral("frmEnvironment"));
    setWindowTitle(ToQString(kTitle));
    setModal(true);

    lblLogFileDirectory_ = new QLabel(ToQString(kLogFileDirectory), this);
    lblLogFileDirectory_->setObjectName(QStringLiteral("lblLogFileDirectory"));
    txtLogFileDirectory_ = MakeTextBox(this, "txtLogFileDirectory");
    txtLogFileDirectory_->setMinimumWidth(320);
    lblLogFileDirectory_->setBuddy(txtLogFileDirectory_);
    cmdDirectoryDialog_ = new QPushButton(QStringLiteral("..."), this);
    cmdDirectoryDialog_->setObjectName(QStringLiteral("cmdDirectoryDialog"));
    cmdDirectoryDialog_->setAutoDefault(false);
    cmdDirectoryDialog_->setAccessibleName(ToQString(kLogFileDirectory));
    chkLogFileIncrement_ = MakeCheckBox(this, "chkLogFileIncrement", kLogFileIncrement);

    auto* fraLogType = new QGroupBox(ToQString(kLogTypeFrame), this);
    fraLogType->setObjectName(QStringLiteral("fraLogType"));
    auto* types = new QHBoxLayout(fraLogType);
    for (int i = 0; i < 3; ++i) {
        optLogType_[i] = new QRadioButton(ToQString(kLogTypes[i]), fraLogType);
        optLogType_[i]->setObjectName(ControlArrayName("optLogType", i));
        types->addWidget(optLogType_[i]);
    }
    auto* fraLogEncoding = new QGroupBox(ToQString(kLogEncodingFrame), this);
    fraLogEncoding->setObjectName(QStringLiteral("fraLogEncoding"));
    auto* encodings = new QHBoxLayout(fraLogEncoding);
    for (int i = 0; i < 2; ++i) {
        optLogEncoding_[i] = new QRadioButton(ToQString(kLogEncodings[i]), fraLogEncoding);
        optLogEncoding_[i]->setObjectName(ControlArrayName("optLogEncoding", i));
        encodings->addWidget(optLogEncoding_[i]);
    }
    auto* fraFileNameFormat = new QGroupBox(ToQString(kFileNameFrame), this);
    fraFileNameFormat->setObjectName(QStringLiteral("fraFileNameFormat"));
    auto* names = new QVBoxLayout(fraFileNameFormat);
    chkTrimLogPath_ = MakeCheckBox(fraFileNameFormat, "chkTrimLogPath", kTrimLogPath);
    chkUseSlashLogPath_ = MakeCheckBox(fraFileNameFormat, "chkUseSlashLogPath", kUseSlashLogPath);
    names->addWidget(chkTrimLogPath_);
    names->addWidget(chkUseSlashLogPath_);
    chkAlwaysLogRemoteLink_ = MakeCheckBox(this, "chkAlwaysLogRemoteLink", kAlwaysLogRemoteLink);
    chkFileNameCaseSensitive_ =
        MakeCheckBox(this, "chkFileNameCaseSensitive", kFileNameCaseSensitive);

    auto* directory = new QHBoxLayout;
    directory->addWidget(txtLogFileDirectory_, 1);
    directory->addWidget(cmdDirectoryDialog_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblLogFileDirectory_);
    layout->addLayout(directory);
    layout->addWidget(chkLogFileIncrement_);
    layout->addWidget(fraLogType);
    layout->addWidget(fraLogEncoding);
    layout->addWidget(fraFileNameFormat);
    layout->addWidget(chkAlwaysLogRemoteLink_);
    layout->addWidget(chkFileNameCaseSensitive_);
    cmdOK_ = MakeButton(this, "cmdOK", u"O K");
    cmdCancel_ = MakeButton(this, "cmdCancel", u"取 消");
    cmdHelp_ = MakeButton(this, "cmdHelp", u"ヘルプ");
    cmdOK_->setDefault(true);
    ReserveButtonRow(layout, cmdOK_);

    connect(cmdOK_, &QPushButton::clicked, this, &frmEnvironment::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmEnvironment::cmdCancel_Click);
    connect(cmdHelp_, &QPushButton::clicked, this, &frmEnvironment::cmdHelp_Click);
    connect(cmdDirectoryDialog_, &QPushButton::clicked, this,
            &frmEnvironment::cmdDirectoryDialog_Click);
    SetTabOrder({txtLogFileDirectory_, cmdDirectoryDialog_, chkLogFileIncrement_, optLogType_[0],
                 optLogType_[1], optLogType_[2], optLogEncoding_[0], optLogEncoding_[1],
                 chkTrimLogPath_, chkUseSlashLogPath_, chkAlwaysLogRemoteLink_,
                 chkFileNameCaseSensitive_, cmdOK_, cmdCancel_, cmdHelp_});
    FixDialogSize(this);
    Form_Load();
}

void frmEnvironment::Form_Load() {
    CenterButtonRow(this, cmdOK_, cmdCancel_, cmdHelp_);
    LoadValue();
}

void frmEnvironment::LoadValue() {
    txtLogFileDirectory_->setText(ToQString(settings_.LogFileDirectory));
    chkLogFileIncrement_->setChecked(settings_.LogFileIncrement == 0);
    if (settings_.LogType < 3) optLogType_[settings_.LogType]->setChecked(true);
    if (settings_.LogEncoding < 2) optLogEncoding_[settings_.LogEncoding]->setChecked(true);
    chkTrimLogPath_->setChecked(settings_.TrimLogPath != 0);
    chkUseSlashLogPath_->setChecked(settings_.UseSlashLogPath != 0);
    chkAlwaysLogRemoteLink_->setChecked(settings_.AlwaysLogRemoteLink != 0);
    chkFileNameCaseSensitive_->setChecked(settings_.FileNameCaseSensitive != 0);
}

std::uint8_t frmEnvironment::ApplyEnvironment() try {
    using namespace VornFilePath;
    // A host path ('/var/log/site', '~/logs') means the same place in drive form.
    std::u16string dir = platform::ToDriveForm(FromQString(txtLogFileDirectory_->text()));
    if (dir.empty()) dir = own_directory_;
    txtLogFileDirectory_->setText(ToQString(dir));
    std::u16string_view message;
    switch (GetPathKind(dir)) {
        case PathKind::None:
            message = kDirectoryMissing;
            break;
        case PathKind::File:
            message = kNeedDirectory;
            break;
        case PathKind::Directory:
            if (!dir.ends_with(u'\\')) {
                dir += u'\\';
                txtLogFileDirectory_->setText(ToQString(dir));
            }
            break;
    }
    if (!message.empty()) {
        platform::ShowError(this, ToQString(u"「" + FromQString(lblLogFileDirectory_->text()) +
                                            u"」" + std::u16string(message)));
        return 1;
    }
    // No button is selected only for a type the file held but no button offers: kept as it is.
    const int checked = VornApp::FindCheckedIndex(optLogType_, 0, 2);
    const std::uint8_t type = checked < 0 ? settings_.LogType : static_cast<std::uint8_t>(checked);
    const int encoding = VornApp::FindCheckedIndex(optLogEncoding_, 0, 1);
    settings_.LogFileDirectory = dir;
    if (encoding >= 0) settings_.LogEncoding = static_cast<std::uint8_t>(encoding);
    settings_.LogFileIncrement = chkLogFileIncrement_->isChecked() ? 0 : 1;
    settings_.LogType = type;
    settings_.AlwaysLogRemoteLink = Flag(chkAlwaysLogRemoteLink_);
    settings_.TrimLogPath = Flag(chkTrimLogPath_);
    settings_.UseSlashLogPath = Flag(chkUseSlashLogPath_);
    settings_.FileNameCaseSensitive = Flag(chkFileNameCaseSensitive_);
    return 0;
} catch (...) {
    return 1;
}

void frmEnvironment::cmdOK_Click() {
    if (ApplyEnvironment() == 0) accept();
}

void frmEnvironment::cmdCancel_Click() { QDialog::reject(); }

void frmEnvironment::reject() { cmdCancel_Click(); }

void frmEnvironment::cmdHelp_Click() { ShowHelpContext(this, kHelpContext); }

void frmEnvironment::cmdDirectoryDialog_Click() { ChooseDirectoryInto(this, txtLogFileDirectory_); }
