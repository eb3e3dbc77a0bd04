#include "app/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <memory>
#include <vector>

#include "dialogs/frmAbout.h"
#include "gui/QtText.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/Program.h"
#include "platform/qt/Screen.h"
#include "testutil/FormTest.h"
#include "testutil/HeldFileSystem.h"
#include "testutil/ScriptedMessageBoxes.h"
#include "testutil/TempDir.h"

using app::BoxAnswer;

namespace {

// A check set whose every field differs from the next one's.
CheckSet FullSet(const std::u16string& name, int seed) {
    CheckSet s = NewCheckSet();
    s.Name = name;
    s.LocalPath = uR"(C:\site\)" + name + u"\\";
    s.Url = u"http://example.com/" + name + u"/";
    s.DefaultDocument = {u"index.html", name + u".htm"};
    s.FilePatternX = {u"*.bak", name};
    s.DirPatternX = {name};
    std::uint8_t* flags[] = {
        &s.AllowBackSlash,      &s.AllowLocalFullPath,     &s.CheckMailTo,
        &s.CheckBaseDirOver,    &s.AlertDirListing,        &s.StrictAnchorDescription,
        &s.AlertIgnoredFile,    &s.AlertIgnoredNameAnchor, &s.AlertIgnoredIdAnchor,
        &s.FilePatternXEnabled, &s.DirPatternXEnabled};
    for (std::size_t i = 0; i < std::size(flags); ++i) *flags[i] = (i + seed) % 2;
    s.FileAttribute = static_cast<std::uint8_t>(seed + 1);
    s.DirAttribute = static_cast<std::uint8_t>(seed * 2);
    return s;
}

// The one check set of a test site.
CheckSet SiteSet(const testutil::TempDir& site) {
    CheckSet s = NewCheckSet();
    s.Name = u"site";
    s.LocalPath = site.Drive();
    s.Url = u"http://example.com/";
    return s;
}

// Records what a run asks the desktop to open.
class RecordingShell : public platform::Shell {
public:
    std::vector<std::u16string> Opened;
    bool Open(std::u16string_view file, std::u16string_view) override {
        Opened.emplace_back(file);
        return false;  // a desktop without a program for it must not stop anything
    }
};

// What the window shows at one moment of a run.
struct Snapshot {
    QString title, execute;
    bool execute_enabled, others_enabled;
};

// Starts the program itself on a settings directory of its own; false when it did not come
// up (its lock file did not appear).
bool StartProgram(QProcess& process, const QString& config) {
    if (QFile::exists(QStringLiteral(MOKUROKU_BINARY_DIR "/mokuroku.ini"))) return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(MOKUROKU_BINARY_DIR "/mokuroku"), {});
    if (!process.waitForStarted()) return false;
    // Up once the lock names its owner.
    const QString lock = config + "/mokuroku/mokuroku.lock";
    for (int i = 0; i < 200 && QFileInfo(lock).size() == 0; ++i) QTest::qWait(50);
    return QFileInfo(lock).size() > 0;
}

}  // namespace

class frmMainTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testutil::TempDir> dir_;
    std::u16string ini_;

    void WriteSettings(const CheckSets& sets, std::int32_t set_id = 0,
                       const std::u16string& extra_log_dir = u"") {
        Settings options;
        options.SetId = set_id;
        options.LogFileDirectory = extra_log_dir;
        MainWindowState window;
        QVERIFY(SaveSettings(ini_, sets, options, window));
    }

    // The settings of one check set over `site`, logging into its "logs" directory.
    void UseSiteWithLogs(const testutil::TempDir& site) {
        site.MakeDir("logs");
        WriteSettings({SiteSet(site)}, 0, site.Drive() + u"logs\\");
    }

    MainWindowState ReadBack(CheckSets& sets, Settings& options) {
        sets.assign(1, CheckSet{});
        MainWindowState window;
        LoadSettings(ini_, sets, options, window);
        return window;
    }

    static QStringList Items(const frmMain& form) {
        QStringList items;
        for (int i = 0; i < form.cmbTargetSet->count(); ++i)
            items << form.cmbTargetSet->itemText(i);
        return items;
    }

    // Runs `check` on the modal dialog that the next call opens, then closes it.
    static void OnNextModal(std::function<void(QWidget*)> check) {
        QTimer::singleShot(0, [check] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            check(modal);
            if (modal->isVisible()) modal->close();
        });
    }

private slots:
    void init() {
        dir_ = std::make_unique<testutil::TempDir>();
        ini_ = dir_->Drive() + u"config\\mokuroku.ini";
        dir_->MakeDir("config");
        platform::SetProgramDirectory(dir_->Drive() + u"program\\");
    }

    void cleanup() {
        platform::SetProgramDirectory(u"");
        dir_.reset();
    }

    void ControlsCaptionsAndLayout() {
        testutil::ScriptedMessageBoxes boxes;
        frmMain form(ini_);
        QVERIFY(form.Form_Load());
        QCOMPARE(form.windowTitle(), QStringLiteral("Mokuroku"));
        const std::pair<const char*, QString> captions[] = {
            {"lblCheckSet", "チェック セット"},
            {"cmdNewSet", "新規"},
            {"cmdEditSet", "編集"},
            {"cmdDeleteSet", "削除"},
            {"chkLocalCheck", "ローカル リンク"},
            {"chkRemoteCheck", "リモート リンク"},
            {"cmdExecute", "チェック"},
            {"cmdOption", "設定"},
            {"cmdHelp", "ヘルプ"},
            {"cmdAbout", "About"},
        };
        for (const auto& [name, caption] : captions) {
            QObject* o = form.findChild<QObject*>(name);
            QVERIFY2(o, name);
            QCOMPARE(o->property("text").toString(), caption);
        }
        QVERIFY(form.findChild<QComboBox*>("cmbTargetSet"));
        QCOMPARE(form.lblCheckSet->buddy(), form.cmbTargetSet);

        // Two rows of buttons without gaps; the list spans the lower row.
        const auto right = [](QWidget* w) { return w->x() + w->width(); };
        QCOMPARE(form.cmdEditSet->x(), right(form.cmdNewSet));
        QCOMPARE(form.cmdDeleteSet->x(), right(form.cmdEditSet));
        QCOMPARE(form.cmdOption->x(), right(form.cmdExecute));
        QCOMPARE(form.cmdHelp->x(), right(form.cmdOption));
        QCOMPARE(form.cmdAbout->x(), right(form.cmdHelp));
        QCOMPARE(form.cmbTargetSet->width(), right(form.cmdAbout) - form.cmdExecute->x());

        // Tab goes through the controls as they are read, row by row.
        QWidget* order[] = {form.cmbTargetSet, form.cmdNewSet,     form.cmdEditSet,
                            form.cmdDeleteSet, form.chkLocalCheck, form.chkRemoteCheck,
                            form.cmdExecute,   form.cmdOption,     form.cmdHelp,
                            form.cmdAbout};
        for (std::size_t i = 1; i < std::size(order); ++i)
            QCOMPARE(order[i - 1]->nextInFocusChain(), order[i]);

        // No settings file yet: an empty list, Edit and Delete off, the default boxes.
        QCOMPARE(form.cmbTargetSet->count(), 0);
        QVERIFY(!form.cmdEditSet->isEnabled() && !form.cmdDeleteSet->isEnabled());
        QVERIFY(form.chkLocalCheck->isChecked() && !form.chkRemoteCheck->isChecked());
        QCOMPARE(boxes.Count(), 0);
    }

    void JapaneseFont() {
        if (!QFontDatabase::hasFamily(QStringLiteral("Noto Sans CJK JP")))
            QSKIP("fonts-noto-cjk is not installed");
        const QFont before = QApplication::font();
        platform::UseJapaneseFont();
        QCOMPARE(QFontInfo(QApplication::font()).family(), QStringLiteral("Noto Sans CJK JP"));
        QApplication::setFont(before);
    }

    void DeletingCheckSets() {
        const CheckSet a = FullSet(u"a", 0), b = FullSet(u"b", 1), c = FullSet(u"c", 2);
        struct Case {
            const char* name;
            int select;
            BoxAnswer answer;
            QStringList items;
            int selected;
            std::vector<CheckSet> sets;
        };
        const Case cases[] = {
            // The third keeps every field of its own and takes the deleted one's index.
            {"middle", 1, BoxAnswer::Yes, {"a", "c"}, 1, {a, c}},
            {"last selects the new last", 2, BoxAnswer::Yes, {"a", "b"}, 1, {a, b}},
            {"first", 0, BoxAnswer::Yes, {"b", "c"}, 0, {b, c}},
            {"answered No", 1, BoxAnswer::No, {"a", "b", "c"}, 1, {a, b, c}},
        };
        for (const Case& k : cases) {
            WriteSettings({a, b, c}, k.select);
            testutil::ScriptedMessageBoxes boxes;
            boxes.Answer({k.answer});
            frmMain form(ini_);
            QVERIFY(form.Form_Load());
            QCOMPARE(form.cmbTargetSet->currentIndex(), k.select);
            QTest::mouseClick(form.cmdDeleteSet, Qt::LeftButton);
            QCOMPARE(boxes.Count(), 1);
            QCOMPARE(boxes.Last().Icon, app::BoxIcon::Question);
            QCOMPARE(boxes.Last().Buttons, app::BoxButtons::YesNo);
            QCOMPARE(boxes.Last().Title, QStringLiteral("確認"));
            QCOMPARE(boxes.Last().Text, QStringLiteral("「") + QString(QChar(u'a' + k.select)) +
                                            QStringLiteral("」を\r\n削除してよろしいですか？"));
            QVERIFY2(Items(form) == k.items, k.name);
            QCOMPARE(form.cmbTargetSet->currentIndex(), k.selected);
            QVERIFY2(form.Sets() == k.sets, k.name);
            QVERIFY(form.cmdEditSet->isEnabled() && form.cmdDeleteSet->isEnabled());
            // Nothing is written before the window closes.
            CheckSets stored;
            Settings options;
            ReadBack(stored, options);
            QCOMPARE(stored.size(), std::size_t(3));
            form.close();
            ReadBack(stored, options);
            QVERIFY2(stored == k.sets, k.name);
        }
    }

    void DeletingTheOnlySet() {
        WriteSettings({FullSet(u"only", 1)});
        testutil::ScriptedMessageBoxes boxes;
        boxes.Answer({BoxAnswer::Yes});
        frmMain form(ini_);
        QVERIFY(form.Form_Load());
        QTest::mouseClick(form.cmdDeleteSet, Qt::LeftButton);
        QCOMPARE(form.cmbTargetSet->count(), 0);
        QCOMPARE(form.cmbTargetSet->currentIndex(), -1);
        QVERIFY(!form.cmdEditSet->isEnabled() && !form.cmdDeleteSet->isEnabled());
        QVERIFY(form.Sets() == CheckSets{CheckSet{}});
        // With nothing selected, Delete does nothing at all.
        form.cmdDeleteSet_Click();
        QCOMPARE(boxes.Count(), 1);
        // The disabled state survives a run's end.
        form.SetControlsEnabled(false);
        form.SetControlsEnabled(true);
        QVERIFY(!form.cmdEditSet->isEnabled() && !form.cmdDeleteSet->isEnabled());
        form.close();
        std::string bytes;
        QFile f(ToQString(ini_).replace('\\', '/').mid(2));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().contains("[Check Set"));
    }

    void NewWithoutDialogLeavesSetIdForTheNextLoad() {
        WriteSettings({FullSet(u"a", 0), FullSet(u"b", 1)}, 1);
        testutil::ScriptedMessageBoxes boxes;
        {
            frmMain form(ini_);
            QVERIFY(form.Form_Load());
            const auto cancel = [](QWidget* dialog) { testutil::Click(dialog, "cmdCancel"); };
            testutil::OnModal(QStringLiteral("frmCheckSet"), cancel);
            QTest::mouseClick(form.cmdEditSet, Qt::LeftButton);
            QCOMPARE(form.Options().SetId, 1);
            testutil::OnModal(QStringLiteral("frmCheckSet"), cancel);
            QTest::mouseClick(form.cmdNewSet, Qt::LeftButton);
            QCOMPARE(form.Options().SetId, -1);
            form.close();
        }
        frmMain again(ini_);
        QVERIFY(again.Form_Load());
        QCOMPARE(again.Options().SetId, 0);
        QCOMPARE(again.cmbTargetSet->currentIndex(), 0);
    }

    void WindowPosition() {
        platform::ScopedScreenArea screen(QRect(0, 0, 1200, 900));
        testutil::ScriptedMessageBoxes boxes;
        const double tx = platform::TwipsPerPixelX(), ty = platform::TwipsPerPixelY();
        {
            frmMain form(ini_);
            QVERIFY(form.Form_Load());
            // Centred on the screen without a stored position.
            const QRect g = form.frameGeometry();
            QVERIFY(qAbs(g.center().x() - 600) <= 1 && qAbs(g.center().y() - 450) <= 1);
            form.show();
            form.move(100, 80);
            QTest::qWait(1);
            form.showMaximized();
            QTest::qWait(1);
            form.close();
        }
        CheckSets sets;
        Settings options;
        MainWindowState stored = ReadBack(sets, options);
        QCOMPARE(stored.WindowLeft, qRound(100 * tx));
        QCOMPARE(stored.WindowTop, qRound(80 * ty));

        // A position saved on a monitor that is gone is brought back onto the screen.
        QFile f(ToQString(ini_).replace('\\', '/').mid(2));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray text = f.readAll();
        text.replace(QByteArray("WindowLeft=") + QByteArray::number(stored.WindowLeft),
                     "WindowLeft=60000");
        text.replace(QByteArray("WindowTop=") + QByteArray::number(stored.WindowTop),
                     "WindowTop=-3000");
        f.resize(0);
        f.write(text);
        f.close();
        frmMain form(ini_);
        QVERIFY(form.Form_Load());
        const QRect g = form.frameGeometry();
        QCOMPARE(g.right() + 1, 1200);
        QCOMPARE(g.top(), 0);
    }

    void AboutBox() {
        testutil::ScriptedMessageBoxes boxes;
        frmMain form(ini_);
        QVERIFY(form.Form_Load());
        bool seen = false;
        OnNextModal([&](QWidget* modal) {
            auto* about = qobject_cast<frmAbout*>(modal);
            QVERIFY(about);
            seen = true;
            QCOMPARE(about->lblAppName->text(), QStringLiteral("Mokuroku"));
            QCOMPARE(about->lblVersion->text(),
                     QStringLiteral("Version %1.%2")
                         .arg(platform::VersionMajor())
                         .arg(platform::VersionMinor(), 2, 10, QLatin1Char('0')));
            QVERIFY(!about->lblAuthor->text().isEmpty());
            QVERIFY(about->txtWeb->isReadOnly());
            QVERIFY(about->txtWeb->text().startsWith("https://"));
            const QRect name = about->lblAppName->geometry();
            QCOMPARE(about->cmdOK->x(), name.x() + name.right() + 1);
            QCOMPARE(about->txtWeb->width(), about->cmdOK->geometry().right() + 1 - name.x());
            QCOMPARE(about->width(), 2 * about->txtWeb->x() + about->txtWeb->width());
            // Every label shows its whole text.
            QVERIFY(about->lblAuthor->width() >= about->lblAuthor->sizeHint().width());
            QVERIFY(about->cmdOK->isDefault());
            // Escape closes it.
            QTest::keyClick(about, Qt::Key_Escape);
            QVERIFY(!about->isVisible());
        });
        QTest::mouseClick(form.cmdAbout, Qt::LeftButton);
        QVERIFY(seen);
    }

    void Help() {
        testutil::ScriptedMessageBoxes boxes;
        frmMain form(ini_);
        QVERIFY(form.Form_Load());
        // No document: a clear error instead of an empty window.
        QTest::mouseClick(form.cmdHelp, Qt::LeftButton);
        QCOMPARE(boxes.Count(), 1);
        QCOMPARE(boxes.Last().Title, QStringLiteral("エラー"));
        QVERIFY(boxes.Last().Text.startsWith(QStringLiteral("ヘルプ ファイルが見つかりません。")));
        QVERIFY(!platform::HelpWindow());

        dir_->Write("program/mokuroku.html",
                    "<html><body><h1>目録</h1>" + std::string(200, '\n') +
                        "<p>x</p><h2 id=\"ctx1\">メイン ウィンドウ</h2><p>本文</p>"
                        "<h2 id=\"ctx102\">チェック セット</h2></body></html>");
        form.HelpPath = platform::FindHelpDocument();
        QTest::mouseClick(form.cmdHelp, Qt::LeftButton);
        QCOMPARE(boxes.Count(), 1);
        auto* help = qobject_cast<QTextBrowser*>(platform::HelpWindow());
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->source().fragment(), QStringLiteral("ctx1"));
        QVERIFY(help->toPlainText().contains(QStringLiteral("メイン ウィンドウ")));
        // A modal dialog does not block the help it asks for.
        QDialog dialog(&form);
        QVERIFY(platform::ShowHelp(&dialog, form.HelpPath, 102));
        QCOMPARE(help->source().fragment(), QStringLiteral("ctx102"));
        QCOMPARE(help->parentWidget(), &dialog);
        // Closing the main window closes its help.
        form.close();
        QTRY_VERIFY(!platform::HelpWindow());
    }

    void CheckRunInTheWindow() {
        const testutil::TempDir site;
        site.Write("index.htm",
                   "<html><body><a href=\"a.htm\">a</a> <a href=\"b.htm\">b</a> "
                   "<a href=\"missing.htm\">x</a></body></html>");
        site.Write("a.htm", "<html><body><a href=\"index.htm\">top</a></body></html>");
        site.Write("b.htm", "<html><body><a href=\"nothing.htm\">top</a></body></html>");
        UseSiteWithLogs(site);

        RecordingShell shell;
        platform::ScopedShell use_shell(shell);
        testutil::ScriptedMessageBoxes boxes;
        frmMain form(ini_);
        QVERIFY(form.Form_Load());
        std::vector<Snapshot> shots;
        const auto shot = [&] {
            shots.push_back({form.windowTitle(), form.cmdExecute->text(),
                             form.cmdExecute->isEnabled(), form.cmbTargetSet->isEnabled()});
        };
        connect(&form, &QWidget::windowTitleChanged, &form, shot);
        boxes.OnShow = [&](const platform::BoxRequest&) { shot(); };

        boxes.Answer({BoxAnswer::Yes});
        QTest::mouseClick(form.cmdExecute, Qt::LeftButton);

        QStringList titles;
        for (const Snapshot& k : shots)
            if (titles.isEmpty() || titles.back() != k.title) titles << k.title;
        const QStringList expected = {"Mokurokuファイル検索中 ... ",
                                      "Mokuroku0% ... ファイル解析中 ... ",
                                      titles.value(2),
                                      titles.value(3),
                                      "Mokuroku100% ... ファイル解析中 ... ",
                                      "Mokurokuリンク先を検証中 ... ",
                                      "Mokurokuログ作成中 ... ",
                                      "Mokuroku"};
        QCOMPARE(titles, expected);
        QVERIFY(titles[2].endsWith("% ... ファイル解析中 ... "));

        // While scanning and verifying only the stop button is live.
        for (const Snapshot& k : shots) {
            if (k.title.contains("ファイル解析中") && !k.title.contains("Mokuroku0%")) {
                QCOMPARE(k.execute, QStringLiteral("中 止"));
                QVERIFY(k.execute_enabled && !k.others_enabled);
            }
            if (k.title.contains("ログ作成中")) {
                QCOMPARE(k.execute, QStringLiteral("チェック"));
                QVERIFY(!k.execute_enabled && !k.others_enabled);
            }
        }
        // The report: back to idle, the count, and the log opened on Yes.
        QCOMPARE(boxes.Count(), 1);
        const Snapshot& report = shots.back();
        QCOMPARE(report.title, QStringLiteral("Mokuroku"));
        QVERIFY(report.execute == "チェック" && report.execute_enabled && report.others_enabled);
        QCOMPARE(boxes.Last().Icon, app::BoxIcon::Information);
        QCOMPARE(boxes.Last().Title, QStringLiteral("チェック終了"));
        QCOMPARE(boxes.Last().Text,
                 QStringLiteral("チェックを終了しました。\r\n2 件の警告があります。\r\n\r\n"
                                "ログを表示しますか？"));
        QCOMPARE(shell.Opened.size(), std::size_t(1));
        QCOMPARE(shell.Opened[0], site.Drive() + u"logs\\site.txt");
        QVERIFY(form.isEnabled() && form.cmdNewSet->isEnabled() && form.cmdEditSet->isEnabled());
    }

    void CancelAnsweredNoThenYes() {
        const testutil::TempDir site;
        for (int i = 0; i < 6; ++i)
            site.Write(
                "p" + std::to_string(i) + ".htm",
                "<html><body><a href=\"gone" + std::to_string(i) + ".htm\">x</a></body></html>");
        UseSiteWithLogs(site);

        RecordingShell shell;
        platform::ScopedShell use_shell(shell);
        testutil::ScriptedMessageBoxes boxes;
        frmMain form(ini_);
        QVERIFY(form.Form_Load());
        // A click on the stop button before the first and the third file, as a person would.
        int scanned = 0;
        connect(&form, &QWidget::windowTitleChanged, &form, [&](const QString& title) {
            if (!title.contains("ファイル解析中")) return;
            if (scanned++ == 0 || scanned == 3)
                QTimer::singleShot(0, [&] {
                    QCOMPARE(form.cmdExecute->text(), QStringLiteral("中 止"));
                    QTest::mouseClick(form.cmdExecute, Qt::LeftButton);
                });
        });
        boxes.Answer({BoxAnswer::No, BoxAnswer::Yes, BoxAnswer::No});
        QTest::mouseClick(form.cmdExecute, Qt::LeftButton);

        QCOMPARE(boxes.Count(), 3);
        for (int i : {0, 1}) {
            QCOMPARE(boxes.Shown[i].Title, QStringLiteral("処理の中断"));
            QCOMPARE(boxes.Shown[i].Text, QStringLiteral("処理を中断します。よろしいですか？"));
            QCOMPARE(boxes.Shown[i].Default, BoxAnswer::No);
        }
        // No went on with the first file; Yes came before the third and still wrote the log.
        QCOMPARE(form.Run().FileTable.size(), std::size_t(6));
        QVERIFY(!form.Run().FileTable[1].Path.empty());
        QVERIFY(form.Run().FileTable[2].Path.empty());
        QCOMPARE(boxes.Last().Title, QStringLiteral("チェック終了"));
        QVERIFY(shell.Opened.empty());
        QCOMPARE(form.cmdExecute->text(), QStringLiteral("チェック"));
        QVERIFY(form.cmdExecute->isEnabled() && form.cmdNewSet->isEnabled());
    }

    // The search and the log may wait on the disk: the window goes on answering meanwhile,
    // with every control that could start something else disabled.
    void WindowAnswersWhileTheSearchAndTheLogWait() {
        const testutil::TempDir site;
        site.Write("index.htm", "<html><body><a href=\"gone.htm\">x</a></body></html>");
        site.Write("a.htm", "<html><body><a href=\"index.htm\">x</a></body></html>");
        UseSiteWithLogs(site);

        testutil::HeldFileSystem held(platform::Fs());
        platform::ScopedFileSystem use_held(held);
        testutil::ScriptedMessageBoxes boxes;
        frmMain form(ini_);
        QVERIFY(form.Form_Load());
        // Listings are held during the search only, the log's writing from the scan on.
        connect(&form, &QWidget::windowTitleChanged, &form, [&](const QString& title) {
            if (title.contains("ファイル解析中")) held.Hold(false, true);
        });
        std::vector<Snapshot> answered;
        QTimer timer;
        connect(&timer, &QTimer::timeout, &form, [&] {
            if (held.Resume())
                answered.push_back({form.windowTitle(), form.cmdExecute->text(),
                                    form.cmdExecute->isEnabled(),
                                    form.cmbTargetSet->isEnabled() || form.cmdNewSet->isEnabled()});
        });
        timer.start(1);
        held.Hold(true, false);
        QTest::mouseClick(form.cmdExecute, Qt::LeftButton);
        timer.stop();

        QCOMPARE(held.GaveUp(), 0);
        QVERIFY(answered.size() >= 2);
        QCOMPARE(answered.front().title, QStringLiteral("Mokurokuファイル検索中 ... "));
        QCOMPARE(answered.back().title, QStringLiteral("Mokurokuログ作成中 ... "));
        for (const Snapshot& k : answered) {
            QCOMPARE(k.execute, QStringLiteral("チェック"));
            QVERIFY(!k.execute_enabled && !k.others_enabled);
        }
        QCOMPARE(boxes.Count(), 1);
        QCOMPARE(boxes.Last().Text,
                 QStringLiteral("チェックを終了しました。\r\n2 件の警告があります。\r\n\r\n"
                                "ログを表示しますか？"));
        QVERIFY(form.cmdExecute->isEnabled() && form.cmdNewSet->isEnabled());
    }

    void ErrorsLeaveTheWindowIdle() {
        testutil::ScriptedMessageBoxes boxes;
        frmMain form(ini_);
        QVERIFY(form.Form_Load());
        QTest::mouseClick(form.cmdExecute, Qt::LeftButton);
        QCOMPARE(boxes.Last().Text,
                 QStringLiteral("チェックセットがまだ一つも登録されていません。"));
        QCOMPARE(boxes.Last().Title, QStringLiteral("エラー"));
        QCOMPARE(boxes.Last().Icon, app::BoxIcon::Exclamation);

        frmMain refused(ini_);
        QVERIFY(!refused.Form_Load());  // the first window still holds the lock
        form.close();

        const testutil::TempDir site;
        site.Write("index.htm", "<html></html>");
        WriteSettings({SiteSet(site)});
        frmMain second(ini_);
        QVERIFY(second.Form_Load());
        second.chkLocalCheck->setChecked(false);
        QTest::mouseClick(second.cmdExecute, Qt::LeftButton);
        QCOMPARE(boxes.Last().Text,
                 QStringLiteral("「ローカル リンク」、「リモート リンク」の\r\n"
                                "少なくともどちらか一方にチェックを入れてください。"));
        QCOMPARE(second.windowTitle(), QStringLiteral("Mokuroku"));
        QVERIFY(second.cmdExecute->isEnabled() && second.cmbTargetSet->isEnabled());
        QVERIFY(second.cmdEditSet->isEnabled() && second.cmdDeleteSet->isEnabled());
    }

    void ClosingDuringARunSavesAndEnds() {
        const testutil::TempDir site;
        for (int i = 0; i < 4; ++i) site.Write("p" + std::to_string(i) + ".htm", "<p>x</p>");
        WriteSettings({SiteSet(site)}, 0, site.Drive());

        testutil::ScriptedMessageBoxes boxes;
        frmMain form(ini_);
        QVERIFY(form.Form_Load());
        form.show();
        form.chkRemoteCheck->setChecked(true);
        int ended = 0;
        bool running_at_end = false;
        form.EndProgram = [&] {
            ++ended;
            running_at_end = form.Run().Running();
        };
        bool closed = false;
        connect(&form, &QWidget::windowTitleChanged, &form, [&](const QString& title) {
            if (closed || !title.contains("ファイル解析中")) return;
            closed = true;
            QTimer::singleShot(0, &form, [&] { form.close(); });
        });
        QTest::mouseClick(form.cmdExecute, Qt::LeftButton);
        QCOMPARE(ended, 1);
        QVERIFY(running_at_end);
        CheckSets sets;
        Settings options;
        QCOMPARE(ReadBack(sets, options).RemoteCheck, std::uint8_t(1));
        QCOMPARE(sets[0].Name, u"site");
    }

    void SettingsInAPlaceThatCannotBeWritten() {
        // The settings directory is a file: no lock, no save; neither may pass in silence.
        dir_->Write("blocked", "x");
        const std::u16string ini = dir_->Drive() + u"blocked\\mokuroku.ini";
        testutil::ScriptedMessageBoxes boxes;
        frmMain form(ini);
        QVERIFY(form.Form_Load());
        QCOMPARE(boxes.Count(), 0);
        form.close();
        QCOMPARE(boxes.Count(), 1);
        QCOMPARE(boxes.Last().Title, QStringLiteral("エラー"));
        QCOMPARE(boxes.Last().Text, QStringLiteral("設定ファイルを保存できませんでした。\n") +
                                        QString::fromStdString(dir_->Host()) +
                                        QStringLiteral("/blocked/mokuroku.ini"));
    }

    // Two real processes: the program itself holds the lock, this one is the second copy.
    void SecondInstanceIsRefused() {
        const QString config = QString::fromStdString(dir_->Host()) + "/xdg";
        const QString lock = config + "/mokuroku/mokuroku.lock";
        const std::string host_ini = (config + "/mokuroku/mokuroku.ini").toStdString();
        const std::u16string drive_ini = platform::HostToDrive(host_ini);

        QProcess first;
        QVERIFY(StartProgram(first, config));

        testutil::ScriptedMessageBoxes boxes;
        {
            frmMain second(drive_ini);
            QVERIFY(!second.Form_Load());
            QCOMPARE(boxes.Count(), 1);
            QCOMPARE(boxes.Last().Icon, app::BoxIcon::Exclamation);
            QCOMPARE(boxes.Last().Title, QStringLiteral("起動エラー"));
            QCOMPARE(boxes.Last().Text, QStringLiteral("Mokuroku は既に起動されています。"));
            second.close();
        }
        QVERIFY(!QFile::exists(QString::fromStdString(host_ini)));
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(QFile::exists(lock));

        // A lock left by a crash does not block the next start.
        first.kill();
        QVERIFY(first.waitForFinished());
        QVERIFY(QFile::exists(lock));
        frmMain next(drive_ini);
        QVERIFY(next.Form_Load());
    }

    void HalfWrittenLockFile() {
        // A crash between making the lock file and writing its owner into it.
        const QString lock = QString::fromStdString(dir_->Host()) + "/config/mokuroku.lock";
        QFile f(lock);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        testutil::ScriptedMessageBoxes boxes;
        {
            frmMain young(ini_);
            QVERIFY(!young.Form_Load());  // its owner may be writing it right now
        }
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                              QFileDevice::FileModificationTime));
        f.close();
        frmMain form(ini_);
        QVERIFY(form.Form_Load());
    }

    void TerminationSavesTheSettings() {
        const QString config = QString::fromStdString(dir_->Host()) + "/xdg";
        QProcess program;
        QVERIFY(StartProgram(program, config));
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QFile::exists(config + "/mokuroku/mokuroku.ini"));
        QVERIFY(!QFile::exists(config + "/mokuroku/mokuroku.lock"));
    }
};

QTEST_MAIN(frmMainTest)
#include "frmMain_test.moc"
