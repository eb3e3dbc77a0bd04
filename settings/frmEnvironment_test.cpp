#include "settings/frmEnvironment.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "dialogs/FormParts.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Program.h"
#include "testutil/FormTest.h"
#include "testutil/ScriptedMessageBoxes.h"

using testutil::Click;
using testutil::Control;

namespace {
QCheckBox* Box(QObject* form, const char* name) { return Control<QCheckBox>(form, name); }
QRadioButton* LogType(QObject* form, int i) {
    return Control<QRadioButton>(form, QStringLiteral("optLogType(%1)").arg(i));
}

Settings Sample() {
    Settings s;
    s.LogFileDirectory = uR"(C:\logs\)";
    s.LogFileIncrement = 1;
    s.LogType = 2;
    s.AlwaysLogRemoteLink = 1;
    s.TrimLogPath = 0;
    s.UseSlashLogPath = 1;
    s.FileNameCaseSensitive = 0;
    return s;
}

bool SameLogSettings(const Settings& a, const Settings& b) {
    return a.LogFileDirectory == b.LogFileDirectory && a.LogFileIncrement == b.LogFileIncrement &&
           a.LogType == b.LogType && a.AlwaysLogRemoteLink == b.AlwaysLogRemoteLink &&
           a.TrimLogPath == b.TrimLogPath && a.UseSlashLogPath == b.UseSlashLogPath &&
           a.FileNameCaseSensitive == b.FileNameCaseSensitive && a.LogEncoding == b.LogEncoding;
}
}  // namespace

class EnvironmentTest : public QObject {
    Q_OBJECT

    platform::MemoryFileSystem fs_;
    std::unique_ptr<platform::ScopedFileSystem> use_;

private slots:
    void initTestCase() {
        fs_.AddDirectory(uR"(C:\prog)");
        fs_.AddDirectory(uR"(C:\logs)");
        fs_.AddFile(uR"(C:\logs\old.txt)", "x");
        use_ = std::make_unique<platform::ScopedFileSystem>(fs_);
        platform::SetProgramDirectory(uR"(C:\prog\)");
    }

    void LoadsTheSettingsWithTheOverwriteBoxInverted() {
        Settings s = Sample();
        frmEnvironment form(s, uR"(C:\prog\)");
        QCOMPARE(form.windowTitle(), QStringLiteral("環境設定"));
        QCOMPARE(testutil::Text(&form, "txtLogFileDirectory"), std::u16string(uR"(C:\logs\)"));
        QVERIFY(!Box(&form, "chkLogFileIncrement")->isChecked());
        QVERIFY(LogType(&form, 2)->isChecked());
        QVERIFY(!Box(&form, "chkTrimLogPath")->isChecked());
        QVERIFY(Box(&form, "chkUseSlashLogPath")->isChecked());
        QVERIFY(Box(&form, "chkAlwaysLogRemoteLink")->isChecked());
        QVERIFY(!Box(&form, "chkFileNameCaseSensitive")->isChecked());
        QCOMPARE(Box(&form, "chkLogFileIncrement")->text(),
                 QStringLiteral("ログファイルを毎回上書きする。"));
        QCOMPARE(LogType(&form, 0)->text(), QStringLiteral("平文TXT"));
        QCOMPARE(LogType(&form, 2)->text(), QStringLiteral("タブ区切りTXT"));
    }

    void OkStoresOrNamesTheLabel() {
        struct Case {
            std::u16string text;
            const char* type;  // option button to select
            bool overwrite;    // the state of the overwrite box
            QString message;   // empty: stored
            std::u16string stored_directory;
            std::uint8_t increment, log_type;
        };
        const QString label = QStringLiteral("「ログファイルを作成するディレクトリ」");
        const Case cases[] = {
            {u"", "optLogType(0)", true, {}, uR"(C:\prog\)", 0, 0},
            {uR"(C:\logs)", "optLogType(1)", false, {}, uR"(C:\logs\)", 1, 1},
            {u"/logs", "optLogType(2)", true, {}, uR"(C:\logs\)", 0, 2},
            {uR"(C:\logs\old.txt)",
             "optLogType(1)",
             true,
             label + QStringLiteral("にはディレクトリ名を指定してください。"),
             {},
             0,
             0},
            {uR"(C:\nothing)",
             "optLogType(1)",
             true,
             label + QStringLiteral("で指定されたディレクトリは存在しません。"),
             {},
             0,
             0},
            {std::u16string(100000, u'x'),
             "optLogType(1)",
             true,
             label + QStringLiteral("で指定されたディレクトリは存在しません。"),
             {},
             0,
             0},
        };
        for (const Case& c : cases) {
            testutil::ScriptedMessageBoxes boxes;
            Settings s = Sample();
            s.LogType = 0;
            const Settings before = s;
            frmEnvironment form(s, uR"(C:\prog\)");
            form.show();
            testutil::SetText(&form, "txtLogFileDirectory", c.text);
            Click(&form, c.type);
            if (Box(&form, "chkLogFileIncrement")->isChecked() != c.overwrite)
                Click(&form, "chkLogFileIncrement");
            Click(&form, "cmdOK");
            if (c.message.isEmpty()) {
                QCOMPARE(boxes.Count(), 0);
                QVERIFY(!form.isVisible());
                QCOMPARE(s.LogFileDirectory, c.stored_directory);
                QCOMPARE(s.LogFileIncrement, c.increment);
                QCOMPARE(s.LogType, c.log_type);
            } else {
                QCOMPARE(boxes.Count(), 1);
                QCOMPARE(boxes.Last().Text, c.message);
                QCOMPARE(boxes.Last().Title, QStringLiteral("エラー"));
                QVERIFY(form.isVisible());
                QVERIFY(SameLogSettings(s, before));
            }
        }
    }

    void CheckBoxesStoreDirectlyAndCancelStoresNothing() {
        Settings s = Sample();
        frmEnvironment form(s, uR"(C:\prog\)");
        form.show();
        for (const char* b : {"chkTrimLogPath", "chkUseSlashLogPath", "chkAlwaysLogRemoteLink",
                              "chkFileNameCaseSensitive"})
            Click(&form, b);
        Click(&form, "cmdOK");
        QCOMPARE(s.TrimLogPath, std::uint8_t{1});
        QCOMPARE(s.UseSlashLogPath, std::uint8_t{0});
        QCOMPARE(s.AlwaysLogRemoteLink, std::uint8_t{0});
        QCOMPARE(s.FileNameCaseSensitive, std::uint8_t{1});

        Settings t = Sample();
        frmEnvironment cancelled(t, uR"(C:\prog\)");
        cancelled.show();
        testutil::SetText(&cancelled, "txtLogFileDirectory", u"");
        Click(&cancelled, "chkTrimLogPath");
        Click(&cancelled, "optLogType(0)");
        QTest::keyClick(&cancelled, Qt::Key_Escape);
        QVERIFY(!cancelled.isVisible());
        QVERIFY(SameLogSettings(t, Sample()));
    }

    void LogEncodingIsAChoiceAndAnUnknownValueStaysUntilChosen() {
        struct Case {
            std::uint8_t stored;
            const char* click;  // nullptr: nothing clicked
            std::uint8_t expected;
        };
        const Case cases[] = {{kLogEncodingCp932, "optLogEncoding(1)", kLogEncodingUtf8},
                              {kLogEncodingUtf8, "optLogEncoding(0)", kLogEncodingCp932},
                              {kLogEncodingUtf8, nullptr, kLogEncodingUtf8},
                              {kLogEncodingInvalid, nullptr, kLogEncodingInvalid},
                              {kLogEncodingInvalid, "optLogEncoding(1)", kLogEncodingUtf8}};
        for (const Case& c : cases) {
            Settings s = Sample();
            s.LogEncoding = c.stored;
            frmEnvironment form(s, uR"(C:\prog\)");
            form.show();
            QCOMPARE(Control<QRadioButton>(&form, "optLogEncoding(0)")->text(),
                     QStringLiteral("シフトJIS"));
            QCOMPARE(Control<QRadioButton>(&form, "optLogEncoding(1)")->isChecked(),
                     c.stored == kLogEncodingUtf8);
            if (c.click) Click(&form, c.click);
            Click(&form, "cmdOK");
            QVERIFY(!form.isVisible());
            QCOMPARE(s.LogEncoding, c.expected);
        }
    }

    void DirectoryButtonDropsQuotesAndTakesTheChoice() {
        Settings s = Sample();
        frmEnvironment form(s, uR"(C:\prog\)");
        form.show();
        testutil::SetText(&form, "txtLogFileDirectory", u" \"C:\\logs\" ");
        testutil::OnModal(QStringLiteral("frmDlgDirectory"),
                          [](QWidget* chooser) { Click(chooser, "cmdCancel"); });
        Click(&form, "cmdDirectoryDialog");
        QCOMPARE(testutil::Text(&form, "txtLogFileDirectory"), std::u16string(uR"(C:\logs)"));

        testutil::SetText(&form, "txtLogFileDirectory", u"\"/logs\"");
        testutil::OnModal(QStringLiteral("frmDlgDirectory"),
                          [](QWidget* chooser) { Click(chooser, "cmdOk"); });
        Click(&form, "cmdDirectoryDialog");
        QCOMPARE(testutil::Text(&form, "txtLogFileDirectory"), std::u16string(uR"(C:\logs\)"));
    }

    void HelpOpensItsContextAndButtonsSitAroundTheMiddle() {
        static int context = 0;
        OpenHelpContext = [](QWidget*, int c) { context = c; };
        Settings s = Sample();
        frmEnvironment form(s, uR"(C:\prog\)");
        form.show();
        Click(&form, "cmdHelp");
        QCOMPARE(context, 103);
        OpenHelpContext = nullptr;
        auto* ok = Control<QWidget>(&form, "cmdOK");
        auto* cancel = Control<QWidget>(&form, "cmdCancel");
        auto* help = Control<QWidget>(&form, "cmdHelp");
        QVERIFY(std::abs(cancel->x() + cancel->width() / 2 - form.width() / 2) <= 1);
        QCOMPARE(ok->x() + ok->width(), cancel->x());
        QCOMPARE(cancel->x() + cancel->width(), help->x());
        QVERIFY(Control<QPushButton>(&form, "cmdOK")->isDefault());
        QCOMPARE(Control<QLabel>(&form, "lblLogFileDirectory")->buddy(),
                 Control<QWidget>(&form, "txtLogFileDirectory"));
    }
};

QTEST_MAIN(EnvironmentTest)
#include "frmEnvironment_test.moc"
