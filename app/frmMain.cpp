#include "app/frmMain.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/VornApp.h"
#include "dialogs/frmAbout.h"
#include "engine/LinkTags.h"
#include "gui/QtText.h"
#include "lib/VornFileList.h"
#include "platform/Program.h"
#include "platform/qt/MessageBox.h"
#include "settings/frmCheckSet.h"
#include "settings/frmEnvironment.h"

namespace {

constexpr std::u16string_view kStartupErrorTitle = u"起動エラー";
constexpr std::u16string_view kAlreadyRunning = u" は既に起動されています。";
constexpr std::u16string_view kDeleteQuestion = u"削除してよろしいですか？";
constexpr std::u16string_view kSaveFailed = u"設定ファイルを保存できませんでした。";
// The legal notice and web page of the about box.
constexpr std::u16string_view kLegalNotice = u"Copyright (C) 2026 Mokuroku developers";
constexpr std::u16string_view kWebPage = u"https://mokuroku.example.org/";

QString DeleteQuestion(const QString& name) {
    return QStringLiteral("「") + name + QStringLiteral("」を\r\n") + ToQString(kDeleteQuestion);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& caption) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

}  // namespace

frmMain::frmMain(std::u16string settings_path, QWidget* parent)
    : QWidget(parent), settings_path_(std::move(settings_path)), sets_(1), run_(*this) {
    setObjectName(QStringLiteral("frmMain"));
    lblCheckSet = new QLabel(QStringLiteral("チェック セット"), this);
    lblCheckSet->setObjectName(QStringLiteral("lblCheckSet"));
    cmbTargetSet = new QComboBox(this);
    cmbTargetSet->setObjectName(QStringLiteral("cmbTargetSet"));
    cmbTargetSet->setAccessibleName(lblCheckSet->text());
    lblCheckSet->setBuddy(cmbTargetSet);
    cmdNewSet = MakeButton(this, "cmdNewSet", QStringLiteral("新規"));
    cmdEditSet = MakeButton(this, "cmdEditSet", QStringLiteral("編集"));
    cmdDeleteSet = MakeButton(this, "cmdDeleteSet", QStringLiteral("削除"));
    chkLocalCheck = MakeCheckBox(this, "chkLocalCheck", QStringLiteral("ローカル リンク"));
    chkRemoteCheck = MakeCheckBox(this, "chkRemoteCheck", QStringLiteral("リモート リンク"));
    cmdExecute = MakeButton(this, "cmdExecute", ToQString(app::CheckRun::kExecuteCaption));
    cmdOption = MakeButton(this, "cmdOption", QStringLiteral("設定"));
    cmdHelp = MakeButton(this, "cmdHelp", QStringLiteral("ヘルプ"));
    cmdAbout = MakeButton(this, "cmdAbout", QStringLiteral("About"));
    chkLocalCheck->setChecked(true);

    // The designed places: every button as wide as the widest caption needs, in rows.
    int w = 84;
    for (QPushButton* b :
         {cmdNewSet, cmdEditSet, cmdDeleteSet, cmdExecute, cmdOption, cmdHelp, cmdAbout}) {
        w = std::max(w, b->sizeHint().width());
    }
    const int h = std::max(28, cmdExecute->sizeHint().height());
    const int m = 10;
    const int label_h = lblCheckSet->sizeHint().height();
    const int combo_h = cmbTargetSet->sizeHint().height();
    const int check_h = chkLocalCheck->sizeHint().height();
    lblCheckSet->setGeometry(m, m, lblCheckSet->sizeHint().width(), label_h);
    int y = m + label_h + 4;
    cmbTargetSet->setGeometry(m, y, w, combo_h);
    y += combo_h + 6;
    for (QPushButton* b : {cmdNewSet, cmdEditSet, cmdDeleteSet}) b->setGeometry(m, y, w, h);
    y += h + 10;
    chkLocalCheck->setGeometry(m, y, chkLocalCheck->sizeHint().width(), check_h);
    chkRemoteCheck->setGeometry(m + chkLocalCheck->width() + 16, y,
                                chkRemoteCheck->sizeHint().width(), check_h);
    y += check_h + 10;
    for (QPushButton* b : {cmdExecute, cmdOption, cmdHelp, cmdAbout}) b->setGeometry(m, y, w, h);
    resize(m + 4 * w + m, y + h + m);

    // Visual order: the list, its buttons, the two boxes, then the row of commands.
    QWidget* order[] = {cmbTargetSet,   cmdNewSet,  cmdEditSet, cmdDeleteSet, chkLocalCheck,
                        chkRemoteCheck, cmdExecute, cmdOption,  cmdHelp,      cmdAbout};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(cmdNewSet, &QPushButton::clicked, this, &frmMain::cmdNewSet_Click);
    connect(cmdEditSet, &QPushButton::clicked, this, &frmMain::cmdEditSet_Click);
    connect(cmdDeleteSet, &QPushButton::clicked, this, &frmMain::cmdDeleteSet_Click);
    connect(cmdExecute, &QPushButton::clicked, this, &frmMain::cmdExecute_Click);
    connect(cmdOption, &QPushButton::clicked, this, &frmMain::cmdOption_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmMain::cmdHelp_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);

    EndProgram = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };
}

frmMain::~frmMain() = default;

bool frmMain::Form_Load() {
    const QString settings_host = platform::ToHostPath(settings_path_);
    // A place where no lock can be made cannot be shared with another copy either.
    if (instance_.Acquire(platform::LockPathFor(settings_host)) ==
        platform::SingleInstance::Result::HeldByAnother) {
        platform::ShowError(nullptr,
                            ToQString(platform::ProductName()) + ToQString(kAlreadyRunning),
                            kStartupErrorTitle);
        return false;
    }
    ShowTitle(platform::ProductName());
    cmdEditSet->setEnabled(false);
    cmdDeleteSet->setEnabled(false);
    LayOutButtons();
    VornApp::CenterOnScreen(this);

    sets_.assign(1, CheckSet{});
    HtmlLink::BuildLinkTagTable();
    HelpPath = platform::FindHelpDocument();

    MainWindowState state;
    state.WindowTop = static_cast<std::int32_t>(std::lround(VornApp::TopTwips(this)));
    state.WindowLeft = static_cast<std::int32_t>(std::lround(VornApp::LeftTwips(this)));
    LoadSettings(settings_path_, sets_, options_, state);
    // Without a settings file yet the log directory stays empty, and the first check would write
    // its log wherever the process happens to be: beside the settings file, as the environment
    // dialog does with an empty box.
    if (options_.LogFileDirectory.empty())
        options_.LogFileDirectory = VornFileList::GetDirectoryPart(settings_path_, u"\\");
    ApplyLoadedState(state);
    loaded_ = true;
    return true;
}

void frmMain::LayOutButtons() {
    const auto after = [](QWidget* previous, QWidget* button) {
        button->move(previous->x() + previous->width(), button->y());
    };
    after(cmdNewSet, cmdEditSet);
    after(cmdEditSet, cmdDeleteSet);
    after(cmdExecute, cmdOption);
    after(cmdOption, cmdHelp);
    after(cmdHelp, cmdAbout);
    cmbTargetSet->resize(cmdAbout->x() + cmdAbout->width() - cmdExecute->x(),
                         cmbTargetSet->height());
}

void frmMain::ApplyLoadedState(const MainWindowState& state) {
    cmbTargetSet->clear();
    for (const std::u16string& name : state.TargetSets) cmbTargetSet->addItem(ToQString(name));
    cmbTargetSet->setCurrentIndex(state.SelectedSet);
    cmdEditSet->setEnabled(state.EditDeleteEnabled);
    cmdDeleteSet->setEnabled(state.EditDeleteEnabled);
    chkLocalCheck->setChecked(state.LocalCheck == 1);
    chkRemoteCheck->setChecked(state.RemoteCheck == 1);
    VornApp::MoveToTwips(this, state.WindowLeft, state.WindowTop);
    // The screen the position was saved on may be gone.
    VornApp::KeepOnScreen(this);
    Form_Resize();
}

bool frmMain::IsNormal() const {
    return !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

void frmMain::Form_Resize() {
    if (!IsNormal()) return;
    last_normal_top_ = static_cast<std::int32_t>(std::lround(VornApp::TopTwips(this)));
    last_normal_left_ = static_cast<std::int32_t>(std::lround(VornApp::LeftTwips(this)));
}

MainWindowState frmMain::StateToSave() const {
    MainWindowState s;
    s.Normal = IsNormal();
    s.WindowTop = static_cast<std::int32_t>(std::lround(VornApp::TopTwips(this)));
    s.WindowLeft = static_cast<std::int32_t>(std::lround(VornApp::LeftTwips(this)));
    s.LastNormalTop = last_normal_top_;
    s.LastNormalLeft = last_normal_left_;
    s.LocalCheck = chkLocalCheck->isChecked() ? 1 : 0;
    s.RemoteCheck = chkRemoteCheck->isChecked() ? 1 : 0;
    return s;
}

void frmMain::Form_Unload() {
    if (!loaded_ || unloaded_) return;
    unloaded_ = true;
    // Losing every check set without a word would be worse than one more box at exit.
    if (!SaveSettings(settings_path_, sets_, options_, StateToSave()))
        platform::ShowError(this, ToQString(kSaveFailed) + QStringLiteral("\n") +
                                      platform::ToHostPath(settings_path_));
    platform::QuitHelp();
    instance_.Release();
    if (in_run_ && EndProgram) EndProgram();
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

// A move changes the position to restore as much as a resize does.
void frmMain::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    Form_Resize();
}

void frmMain::SetControlsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{cmbTargetSet, cmdNewSet, chkLocalCheck,
                                                      chkRemoteCheck, cmdOption, cmdAbout})
        w->setEnabled(enabled);
    const bool items = cmbTargetSet->count() > 0;
    cmdEditSet->setEnabled(enabled && items);
    cmdDeleteSet->setEnabled(enabled && items);
}

int frmMain::ShowModal(QDialog& dialog) {
    VornApp::CenterOnOwner(this, &dialog);
    return dialog.exec();
}

void frmMain::cmdNewSet_Click() {
    options_.SetId = -1;
    ShowCheckSetDialog();
}

void frmMain::cmdEditSet_Click() {
    options_.SetId = cmbTargetSet->currentIndex();
    ShowCheckSetDialog();
}

void frmMain::cmdOption_Click() { ShowEnvironmentDialog(); }

// The check-set dialog edits Sets() and SetId and updates cmbTargetSet itself.
void frmMain::ShowCheckSetDialog() {
    frmCheckSet dialog(sets_, options_, {cmbTargetSet, cmdEditSet, cmdDeleteSet}, this);
    ShowModal(dialog);
}

// Logs left without a directory go beside the settings file, as at load.
void frmMain::ShowEnvironmentDialog() {
    frmEnvironment dialog(options_, VornFileList::GetDirectoryPart(settings_path_, u"\\"), this);
    ShowModal(dialog);
}

void frmMain::cmdDeleteSet_Click() {
    const int i = cmbTargetSet->currentIndex();
    if (i < 0) return;
    if (!platform::AskYesNo(this, ToQString(platform::kConfirmTitle),
                            DeleteQuestion(cmbTargetSet->currentText())))
        return;
    if (sets_.size() <= 1) {
        sets_.assign(1, CheckSet{});
    } else if (static_cast<size_t>(i) < sets_.size()) {
        sets_.erase(sets_.begin() + i);
    }
    cmbTargetSet->removeItem(i);
    const int count = cmbTargetSet->count();
    if (count > 0) {
        cmbTargetSet->setCurrentIndex(std::min(i, count - 1));
    } else {
        cmdEditSet->setEnabled(false);
        cmdDeleteSet->setEnabled(false);
    }
}

void frmMain::cmdExecute_Click() {
    app::RunRequest request;
    request.Sets = &sets_;
    request.Options = &options_;
    request.SelectedIndex = cmbTargetSet->currentIndex();
    request.LocalCheck = chkLocalCheck->isChecked() ? 1 : 0;
    request.RemoteCheck = chkRemoteCheck->isChecked() ? 1 : 0;
    request.LocalCheckCaption = FromQString(chkLocalCheck->text());
    request.RemoteCheckCaption = FromQString(chkRemoteCheck->text());
    // A click during a run arrives nested inside the run's own click and only asks it to stop.
    const bool outer = !in_run_;
    in_run_ = true;
    run_.cmdExecute_Click(request);
    if (outer) in_run_ = false;
}

void frmMain::cmdHelp_Click() { platform::ShowHelp(this, HelpPath, 1); }

void frmMain::cmdAbout_Click() {
    frmAbout about(this);
    about.lblAppName->setText(ToQString(platform::ProductName()));
    about.lblVersion->setText(QStringLiteral("Version %1.%2")
                                  .arg(platform::VersionMajor())
                                  .arg(platform::VersionMinor(), 2, 10, QLatin1Char('0')));
    about.lblAuthor->setText(ToQString(kLegalNotice));
    about.txtWeb->setText(ToQString(kWebPage));
    // The labels share the width the longest of them needs; OK sits right of them.
    int label_w = 0;
    for (QLabel* l : {about.lblAppName, about.lblVersion, about.lblAuthor})
        label_w = std::max(label_w, l->sizeHint().width());
    for (QLabel* l : {about.lblAppName, about.lblVersion, about.lblAuthor})
        l->resize(label_w, l->height());
    const QRect name = about.lblAppName->geometry();
    about.cmdOK->move(name.x() + name.width() + name.x(), about.cmdOK->y());
    about.txtWeb->resize(about.cmdOK->x() + about.cmdOK->width() - name.x(),
                         about.txtWeb->height());
    // resize() sets the inner size; the frame comes on top of it by itself.
    about.resize(2 * about.txtWeb->x() + about.txtWeb->width(), about.height());
    ShowModal(about);
}

void frmMain::ShowTitle(std::u16string_view title) { setWindowTitle(ToQString(title)); }

void frmMain::SetExecuteButton(std::u16string_view caption, bool enabled) {
    cmdExecute->setText(ToQString(caption));
    cmdExecute->setEnabled(enabled);
}

void frmMain::YieldToWindowSystem() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

app::BoxAnswer frmMain::ShowMessage(app::BoxIcon icon, app::BoxButtons buttons, bool default_no,
                                    std::u16string_view title, std::u16string_view text) {
    const app::BoxAnswer def = buttons == app::BoxButtons::Ok ? app::BoxAnswer::Ok
                               : default_no                   ? app::BoxAnswer::No
                                                              : app::BoxAnswer::Yes;
    return platform::ShowMessageBox(this, {icon, buttons, def, ToQString(title), ToQString(text)});
}
