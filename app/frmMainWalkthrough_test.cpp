// A new user's way from an empty settings file to a log, with the mouse alone, through the real
// windows: a new check set with its base directory from the chooser and its search options, a
// check, the log settings, another check, and the settings file written at exit.
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include "app/frmMain.h"
#include "dialogs/frmDlgDirectory.h"
#include "gui/QtText.h"
#include "platform/HostPath.h"
#include "platform/Program.h"
#include "settings/SettingsFile.h"
#include "testutil/FormTest.h"
#include "testutil/ScriptedMessageBoxes.h"
#include "testutil/TempDir.h"

using testutil::Click;
using testutil::Control;
using testutil::OnModal;
using testutil::SetText;

class WalkthroughTest : public QObject {
    Q_OBJECT

private slots:
    void NewUserFromNothingToALog() {
        testutil::TempDir dir;
        dir.Write("site/index.html", "<a href=\"missing.html\">x</a>");
        dir.MakeDir("logs");
        dir.MakeDir("config");
        platform::SetProgramDirectory(dir.Drive() + u"program\\");
        const std::u16string ini = dir.Drive() + u"config\\mokuroku.ini";
        const std::u16string site = dir.Drive() + u"site\\";
        const std::u16string logs = dir.Drive() + u"logs\\";
        const QString site_host = QString::fromStdString(dir.Host() + "/site");
        const QString logs_host = QString::fromStdString(dir.Host() + "/logs");

        testutil::ScriptedMessageBoxes boxes;
        {
            frmMain main(ini);
            QVERIFY(main.Form_Load());
            main.show();
            QCOMPARE(main.cmbTargetSet->count(), 0);

            std::u16string chooser_opened;
            OnModal(QStringLiteral("frmCheckSet"), [&](QWidget* set) {
                SetText(set, "txtSetName", u"サイト");
                // A host path pasted with quotes: the chooser starts there.
                SetText(set, "txtBaseDirectory", FromQString(u'"' + site_host + u'"'));
                OnModal(QStringLiteral("frmDlgDirectory"), [&](QWidget* chooser) {
                    chooser_opened = static_cast<frmDlgDirectory*>(chooser)->OpenDirectory();
                    Click(chooser, "cmdOk");
                });
                Click(set, "cmdDirectoryDialog");
                OnModal(QStringLiteral("frmFileOption"), [](QWidget* options) {
                    Click(options, "chkDirOption(1)");
                    Click(options, "cmdOK");
                });
                Click(set, "cmdFileOption");
                SetText(set, "txtBaseUrl", u"http://www.example.jp/site");
                Click(set, "cmdOK");
            });
            Click(&main, "cmdNewSet");
            QCOMPARE(boxes.Count(), 0);
            QCOMPARE(main.cmbTargetSet->count(), 1);
            QCOMPARE(main.cmbTargetSet->currentText(), QStringLiteral("サイト"));
            QVERIFY(main.cmdEditSet->isEnabled() && main.cmdDeleteSet->isEnabled());
            QCOMPARE(chooser_opened, site);
            QCOMPARE(main.Sets()[0].LocalPath, site);

            Click(&main, "cmdExecute");
            QVERIFY(main.Run().LastWarningCount >= 1);  // at least the missing target
            QCOMPARE(main.Run().LastLogPath, dir.Drive() + u"config\\サイト.txt");

            OnModal(QStringLiteral("frmEnvironment"), [&](QWidget* env) {
                SetText(env, "txtLogFileDirectory", FromQString(logs_host));
                Click(env, "optLogType(1)");
                Click(env, "cmdOK");
            });
            Click(&main, "cmdOption");
            QCOMPARE(main.Options().LogFileDirectory, logs);
            QCOMPARE(main.Options().LogType, std::uint8_t{1});

            Click(&main, "cmdExecute");
            QCOMPARE(main.Run().LastLogPath, logs + u"サイト.csv");
            std::string host;
            QVERIFY(platform::DriveToHost(main.Run().LastLogPath, host));
            QVERIFY(QFile::exists(QString::fromStdString(host)));
            main.close();
        }

        // What was written at exit loads back the same.
        CheckSets sets(1);
        Settings settings;
        MainWindowState window;
        LoadSettings(ini, sets, settings, window);
        QCOMPARE(sets.size(), std::size_t{1});
        QCOMPARE(sets[0].Name, std::u16string(u"サイト"));
        QCOMPARE(sets[0].LocalPath, site);
        QCOMPARE(sets[0].Url, std::u16string(u"http://www.example.jp/site/"));
        QCOMPARE(sets[0].DirAttribute, std::uint8_t{3});
        QVERIFY((sets[0].FilePatternX == StringList{u"*.bak", u"*.log"}));
        QCOMPARE(settings.LogFileDirectory, logs);
        QCOMPARE(settings.LogType, std::uint8_t{1});
        QVERIFY((window.TargetSets == std::vector<std::u16string>{u"サイト"}));
        platform::SetProgramDirectory(u"");
    }
};

QTEST_MAIN(WalkthroughTest)
#include "frmMainWalkthrough_test.moc"
