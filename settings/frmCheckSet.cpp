#include "settings/frmCheckSet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/VornApp.h"
#include "dialogs/FormParts.h"
#include "engine/ScanFile.h"
#include "gui/QtText.h"
#include "lib/VornFilePath.h"
#include "lib/VornText.h"
#include "platform/HostPath.h"
#include "platform/qt/MessageBox.h"
#include "settings/SettingsFile.h"
#include "settings/frmFileOption.h"
#include "verify/Resolve.h"
#include "verify/VerifyLink.h"

namespace {
constexpr std::u16string_view kTitle = u"チェック セットのプロパティ";
constexpr std::u16string_view kSetName = u"チェック セット名";
constexpr std::u16string_view kBaseDirectory = u"基準ディレクトリ";
constexpr std::u16string_view kBaseUrl = u"基準ディレクトリに対応する URL";
constexpr std::u16string_view kDefaultDocument = u"デフォルト ドキュメント名";
constexpr std::u16string_view kHtmlFileName = u"HTML ファイル名";
constexpr std::u16string_view kAlertFrame = u"警告するケース";

constexpr std::u16string_view kIsEmpty = u"」が空欄です。";
constexpr std::u16string_view kNameInUse = u"そのチェック セット名は既に使われています。";
constexpr std::u16string_view kGiveExistingFullPath =
    u"（実在するディレクトリをフルパスで指定してください。）";
constexpr std::u16string_view kDirectoryMissing = u"」で指定されたディレクトリは存在しません。";
constexpr std::u16string_view kGiveDirectoryPath = u"」にはディレクトリのパスを指定してください。";
constexpr std::u16string_view kGiveExisting = u"（実在するディレクトリを指定してください。）";
constexpr std::u16string_view kFor = u"」には";
constexpr std::u16string_view kNeedServer = u"サーバ名を含めた URL を設定してください。";
constexpr std::u16string_view kOrEmpty = u"もしくは、完全に空欄にして下さい。";
constexpr std::u16string_view kNeedRemote = u"リモートの URL を設定してください。";
constexpr std::u16string_view kOf = u"」の";
constexpr std::u16string_view kInvalidInput = u"入力内容が不正です。";
constexpr std::u16string_view kObject = u"」を";
constexpr std::u16string_view kCannotBeEmpty = u"空欄にはできません。";
constexpr std::u16string_view kHtmlExample = u"（入力例 : \"*.*htm*\"）";
constexpr std::u16string_view kBreak = u"\r\n";

// A URL with a scheme followed by exactly two slashes.
constexpr std::uint8_t kUrlWithHost = 3;

// The alert boxes in their order on the form; the first two show a permission inverted.
struct AlertBox {
    const char* name;
    std::u16string_view caption;
    std::uint8_t CheckSet::*field;
    bool inverted;
};
const AlertBox kAlerts[] = {
    {"chkAllowBackSlash", u"ディレクトリの区切り記号に \"\\\" を使用している",
     &CheckSet::AllowBackSlash, true},
    {"chkAllowLocalFullPath", u"ローカルなフルパス指定をしている", &CheckSet::AllowLocalFullPath,
     true},
    {"chkMailTo", u"\"mailto:\" の後がメールアドレスでない", &CheckSet::CheckMailTo, false},
    {"chkBaseDirOver", u"相対リンクが基準ディレクトリより上を参照している",
     &CheckSet::CheckBaseDirOver, false},
    {"chkDirListing", u"ディレクトリを参照しているが、デフォルト ドキュメントが無い",
     &CheckSet::AlertDirListing, false},
    {"chkStrictAnchorDescription", u"アンカー名に不正な文字を使っている",
     &CheckSet::StrictAnchorDescription, false},
    {"chkAlertIgnoredFile", u"ファイルがどこからもリンクされていない", &CheckSet::AlertIgnoredFile,
     false},
    {"chkAlertIgnoredNameAnchor", u"name 属性によるアンカーがどこからもリンクされていない",
     &CheckSet::AlertIgnoredNameAnchor, false},
    {"chkAlertIgnoredIdAnchor", u"id 属性によるアンカーがどこからもリンクされていない",
     &CheckSet::AlertIgnoredIdAnchor, false},
};

constexpr std::u16string_view kModernHtmlCaption = u"UTF-8、HTML5、スタイルシートなど今日の書き方で読む";

std::u16string Joined(std::initializer_list<std::u16string_view> parts) {
    std::u16string text;
    for (std::u16string_view p : parts) text += p;
    return text;
}

// Half-width spaces only: other blanks belong to the name.
std::u16string TrimSpaces(std::u16string_view text) {
    const std::size_t first = text.find_first_not_of(u' ');
    if (first == text.npos) return {};
    return std::u16string(text.substr(first, text.find_last_not_of(u' ') - first + 1));
}

std::u16string TextOf(const QLineEdit* box) { return FromQString(box->text()); }

// The name check of each piece of a ';' list, from the last piece to the first; the first bad
// piece's code, or 0.
std::uint8_t CheckPieces(std::u16string_view text, bool allow_wildcards) {
    std::vector<std::u16string> pieces;
    VornFilePath::SplitString(text, u";", pieces);
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        const std::u16string piece = VornFilePath::TrimBlanksAndQuotes(*it);
        if (piece.empty()) continue;
        const std::uint8_t code = VornFilePath::CheckName(piece, false, !allow_wildcards);
        if (code != 0) return code;
    }
    return 0;
}

// A ';' list cleaned for storing: trimmed, without case-folded duplicates and gaps, never empty.
StringList CleanList(std::u16string_view text, bool split_text) {
    StringList list{u""};
    if (split_text) {
        VornText::SplitText(text, u";", list, true);
    } else {
        VornFilePath::SplitString(text, u";", list);
    }
    HtmlLink::NormalizeList(list);
    if (list.empty()) list.emplace_back();
    return list;
}
}  // namespace

frmCheckSet::frmCheckSet(CheckSets& sets, Settings& settings, MainList list, QWidget* owner)
    : QDialog(owner), sets_(sets), settings_(settings), list_(list) {
    setObjectName(QStringLiteral("frmCheckSet"));
    setWindowTitle(ToQString(kTitle));
    setModal(true);

    auto label = [this](const char* name, std::u16string_view caption, QLabel*& member) {
        member = new QLabel(ToQString(caption), this);
        member->setObjectName(QString::fromLatin1(name));
    };
    label("lblSetName", kSetName, lblSetName_);
    label("lblBaseDirectory", kBaseDirectory, lblBaseDirectory_);
    label("lblBaseUrl", kBaseUrl, lblBaseUrl_);
    label("lblDefaultDocument", kDefaultDocument, lblDefaultDocument_);
    label("lblHtmlFileName", kHtmlFileName, lblHtmlFileName_);
    txtSetName_ = MakeTextBox(this, "txtSetName");
    txtBaseDirectory_ = MakeTextBox(this, "txtBaseDirectory");
    txtBaseUrl_ = MakeTextBox(this, "txtBaseUrl");
    txtDefaultDocument_ = MakeTextBox(this, "txtDefaultDocument");
    txtHtmlFileName_ = MakeTextBox(this, "txtHtmlFileName");
    lblSetName_->setBuddy(txtSetName_);
    lblBaseDirectory_->setBuddy(txtBaseDirectory_);
    lblBaseUrl_->setBuddy(txtBaseUrl_);
    lblDefaultDocument_->setBuddy(txtDefaultDocument_);
    lblHtmlFileName_->setBuddy(txtHtmlFileName_);
    txtBaseDirectory_->setMinimumWidth(360);
    cmdDirectoryDialog_ = new QPushButton(QStringLiteral("..."), this);
    cmdDirectoryDialog_->setObjectName(QStringLiteral("cmdDirectoryDialog"));
    cmdDirectoryDialog_->setAutoDefault(false);
    cmdDirectoryDialog_->setAccessibleName(ToQString(kBaseDirectory));
    cmdFileOption_ = new QPushButton(QStringLiteral("詳細"), this);
    cmdFileOption_->setObjectName(QStringLiteral("cmdFileOption"));
    cmdFileOption_->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(lblSetName_, 0, 0);
    fields->addWidget(txtSetName_, 0, 1);
    fields->addWidget(lblBaseDirectory_, 1, 0);
    fields->addWidget(txtBaseDirectory_, 1, 1);
    fields->addWidget(cmdDirectoryDialog_, 1, 2);
    fields->addWidget(lblBaseUrl_, 2, 0);
    fields->addWidget(txtBaseUrl_, 2, 1);
    fields->addWidget(lblDefaultDocument_, 3, 0);
    fields->addWidget(txtDefaultDocument_, 3, 1);
    fields->addWidget(lblHtmlFileName_, 4, 0);
    fields->addWidget(txtHtmlFileName_, 4, 1);
    fields->addWidget(cmdFileOption_, 4, 2);

    auto* fra = new QGroupBox(ToQString(kAlertFrame), this);
    fra->setObjectName(QStringLiteral("fraAlertOption"));
    auto* alerts = new QVBoxLayout(fra);
    static_assert(std::size(kAlerts) == kAlertCount);
    for (int i = 0; i < kAlertCount; ++i) {
        alerts_[i] = new QCheckBox(ToQString(kAlerts[i].caption), fra);
        alerts_[i]->setObjectName(QString::fromLatin1(kAlerts[i].name));
        alerts->addWidget(alerts_[i]);
    }
    // No warning of its own: how the set reads pages, in the room kept for one more switch.
    chkModernHtml_ = new QCheckBox(ToQString(kModernHtmlCaption), fra);
    chkModernHtml_->setObjectName(QStringLiteral("chkModernHtml"));
    alerts->addWidget(chkModernHtml_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(fra);
    cmdOK_ = MakeButton(this, "cmdOK", u"O K");
    cmdCancel_ = MakeButton(this, "cmdCancel", u"取 消");
    cmdHelp_ = MakeButton(this, "cmdHelp", u"ヘルプ");
    cmdOK_->setDefault(true);
    ReserveButtonRow(layout, cmdOK_);

    connect(cmdOK_, &QPushButton::clicked, this, &frmCheckSet::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmCheckSet::cmdCancel_Click);
    connect(cmdHelp_, &QPushButton::clicked, this, &frmCheckSet::cmdHelp_Click);
    connect(cmdDirectoryDialog_, &QPushButton::clicked, this,
            &frmCheckSet::cmdDirectoryDialog_Click);
    connect(cmdFileOption_, &QPushButton::clicked, this, &frmCheckSet::cmdFileOption_Click);
    SetTabOrder({txtSetName_, txtBaseDirectory_, cmdDirectoryDialog_, txtBaseUrl_,
                 txtDefaultDocument_, txtHtmlFileName_, cmdFileOption_, alerts_[0]});
    for (int i = 1; i < kAlertCount; ++i) QWidget::setTabOrder(alerts_[i - 1], alerts_[i]);
    SetTabOrder({alerts_[kAlertCount - 1], chkModernHtml_, cmdOK_, cmdCancel_, cmdHelp_});
    FixDialogSize(this);
    Form_Load();
}

void frmCheckSet::Form_Load() {
    CenterButtonRow(this, cmdOK_, cmdCancel_, cmdHelp_);
    LoadCheckSetDialog();
}

void frmCheckSet::LoadCheckSetDialog() {
    const std::int32_t id = settings_.SetId;
    const bool editing = id >= 0 && id < static_cast<std::int32_t>(sets_.size());
    const CheckSet set = editing ? sets_[static_cast<std::size_t>(id)] : NewCheckSet();
    frmFileOption::PendingFileAttribute = set.FileAttribute;
    frmFileOption::PendingFilePatternXEnabled = set.FilePatternXEnabled;
    frmFileOption::PendingFilePatternX = JoinList(set.FilePatternX, u";");
    frmFileOption::PendingDirAttribute = set.DirAttribute;
    frmFileOption::PendingDirPatternXEnabled = set.DirPatternXEnabled;
    frmFileOption::PendingDirPatternX = JoinList(set.DirPatternX, u";");
    txtSetName_->setText(ToQString(set.Name));
    txtBaseDirectory_->setText(ToQString(set.LocalPath));
    txtBaseUrl_->setText(ToQString(set.Url));
    txtDefaultDocument_->setText(ToQString(JoinList(set.DefaultDocument, u";")));
    txtHtmlFileName_->setText(ToQString(JoinList(set.HtmlFilePattern, u";")));
    for (int i = 0; i < kAlertCount; ++i)
        alerts_[i]->setChecked((set.*kAlerts[i].field != 0) != kAlerts[i].inverted);
    chkModernHtml_->setChecked(set.ModernHtml != 0);
}

std::u16string frmCheckSet::Caption(const QLabel* label) const {
    return FromQString(label->text());
}

std::uint8_t frmCheckSet::Fail(const std::u16string& message) {
    platform::ShowError(this, ToQString(message));
    return 1;
}

std::uint8_t frmCheckSet::ApplyCheckSet() try {
    using namespace VornFilePath;
    const std::int32_t id = settings_.SetId;
    if (id >= static_cast<std::int32_t>(sets_.size())) return 1;

    const std::u16string set_name = TrimSpaces(TextOf(txtSetName_));
    txtSetName_->setText(ToQString(set_name));
    if (set_name.empty()) return Fail(Joined({u"「", Caption(lblSetName_), kIsEmpty}));
    for (std::size_t i = 0; i < sets_.size(); ++i)
        if (static_cast<std::int32_t>(i) != id && sets_[i].Name == set_name)
            return Fail(std::u16string(kNameInUse));

    // A host path ('/home/u/site', '~/site') means the same place in drive form.
    txtBaseDirectory_->setText(ToQString(platform::ToDriveForm(TextOf(txtBaseDirectory_))));
    std::u16string base = TextOf(txtBaseDirectory_);
    const std::u16string base_caption = Caption(lblBaseDirectory_);
    if (base.empty())
        return Fail(Joined({u"「", base_caption, kIsEmpty, kBreak, kGiveExistingFullPath}));
    switch (GetPathKind(base)) {
        case PathKind::None:
            return Fail(
                Joined({u"「", base_caption, kDirectoryMissing, kBreak, kGiveExistingFullPath}));
        case PathKind::File:
            return Fail(Joined({u"「", base_caption, kGiveDirectoryPath, kBreak, kGiveExisting}));
        case PathKind::Directory:
            if (!base.ends_with(u'\\')) {
                base += u'\\';
                txtBaseDirectory_->setText(ToQString(base));
            }
            break;
    }

    std::u16string url = TextOf(txtBaseUrl_);
    if (!url.empty()) {
        const std::u16string url_caption = Caption(lblBaseUrl_);
        if (HtmlLink::ClassifyReference(url) == kUrlWithHost) {
            const std::size_t slashes = url.find(u"//");
            if (slashes == url.npos || slashes + 2 >= url.size())
                return Fail(Joined({u"「", url_caption, kFor, kBreak, kNeedServer, kBreak,
                                    kUrlExample, kBreak, kBreak, kOrEmpty}));
        } else {
            return Fail(
                Joined({u"「", url_caption, kFor, kBreak, kNeedRemote, kBreak, kUrlExample}));
        }
        if (!url.ends_with(u'/')) {
            url += u'/';
            txtBaseUrl_->setText(ToQString(url));
        }
    }

    const std::u16string documents = TextOf(txtDefaultDocument_);
    if (const std::uint8_t code = CheckPieces(documents, false))
        return Fail(Joined({u"「", Caption(lblDefaultDocument_), kOf, kBreak, kInvalidInput, kBreak,
                            u"（", GetPathErrorMessage(code, true), u"）"}));
    const std::u16string html = TextOf(txtHtmlFileName_);
    const std::u16string html_caption = Caption(lblHtmlFileName_);
    if (html.empty())
        return Fail(
            Joined({u"「", html_caption, kObject, kBreak, kCannotBeEmpty, kBreak, kHtmlExample}));
    if (const std::uint8_t code = CheckPieces(html, true))
        return Fail(Joined({u"「", html_caption, kOf, kBreak, kInvalidInput, kBreak, u"（",
                            GetPathErrorMessage(code, true), u"）"}));

    // The whole record is built first and then stored in one step: a failure on the way leaves
    // the table and the list as they were.
    CheckSet set;
    set.FileAttribute = frmFileOption::PendingFileAttribute;
    set.FilePatternXEnabled = frmFileOption::PendingFilePatternXEnabled;
    set.FilePatternX = CleanList(frmFileOption::PendingFilePatternX, true);
    set.DirAttribute = frmFileOption::PendingDirAttribute;
    set.DirPatternXEnabled = frmFileOption::PendingDirPatternXEnabled;
    set.DirPatternX = CleanList(frmFileOption::PendingDirPatternX, true);
    set.Name = set_name;
    set.LocalPath = base;
    set.Url = url;
    set.DefaultDocument = CleanList(documents, false);
    set.HtmlFilePattern = CleanList(html, false);
    if (HtmlLink::ToLikePatterns(set.HtmlFileLikePattern, set.HtmlFilePattern) != 0) return 1;
    for (int i = 0; i < kAlertCount; ++i) {
        const bool checked = alerts_[i]->isChecked();
        set.*kAlerts[i].field = static_cast<std::uint8_t>(checked != kAlerts[i].inverted ? 1 : 0);
    }
    set.ModernHtml = chkModernHtml_->isChecked() ? 1 : 0;

    if (id < 0) {
        if (sets_.empty() || !sets_.back().Name.empty()) sets_.emplace_back();
        settings_.SetId = static_cast<std::int32_t>(sets_.size()) - 1;
        sets_.back() = std::move(set);
        if (list_.cmbTargetSet) {
            list_.cmbTargetSet->addItem(ToQString(set_name));
            list_.cmbTargetSet->setCurrentIndex(list_.cmbTargetSet->count() - 1);
        }
        if (list_.cmdEditSet) list_.cmdEditSet->setEnabled(true);
        if (list_.cmdDeleteSet) list_.cmdDeleteSet->setEnabled(true);
    } else {
        sets_[static_cast<std::size_t>(id)] = std::move(set);
        if (list_.cmbTargetSet && id < list_.cmbTargetSet->count())
            list_.cmbTargetSet->setItemText(id, ToQString(set_name));
    }
    return 0;
} catch (...) {
    return 1;
}

void frmCheckSet::cmdOK_Click() {
    if (ApplyCheckSet() == 0) accept();
}

void frmCheckSet::cmdCancel_Click() { QDialog::reject(); }

void frmCheckSet::reject() { cmdCancel_Click(); }

void frmCheckSet::cmdHelp_Click() { ShowHelpContext(this, kHelpContext); }

void frmCheckSet::cmdDirectoryDialog_Click() { ChooseDirectoryInto(this, txtBaseDirectory_); }

void frmCheckSet::cmdFileOption_Click() {
    frmFileOption options(this);
    VornApp::CenterOnOwner(this, &options);
    options.exec();
}
