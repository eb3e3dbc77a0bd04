#include "settings/frmCheckSet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "dialogs/FormParts.h"
#include "dialogs/frmDlgDirectory.h"
#include "gui/QtText.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Program.h"
#include "settings/frmFileOption.h"
#include "testutil/FormTest.h"
#include "testutil/ScriptedMessageBoxes.h"

using testutil::Click;
using testutil::Control;
using testutil::SetText;
using testutil::Text;

namespace {
const char* const kAlertBoxes[] = {"chkAllowBackSlash",
                                   "chkAllowLocalFullPath",
                                   "chkMailTo",
                                   "chkBaseDirOver",
                                   "chkDirListing",
                                   "chkStrictAnchorDescription",
                                   "chkAlertIgnoredFile",
                                   "chkAlertIgnoredNameAnchor",
                                   "chkAlertIgnoredIdAnchor"};

QCheckBox* Box(QObject* form, const char* name) { return Control<QCheckBox>(form, name); }

// The main window's share: the list and its two buttons.
struct Main {
    QComboBox list;
    QPushButton edit, remove;
    frmCheckSet::MainList Controls() { return {&list, &edit, &remove}; }
    Main() {
        edit.setEnabled(false);
        remove.setEnabled(false);
    }
};

CheckSet Named(std::u16string name) {
    CheckSet s = NewCheckSet();
    s.Name = std::move(name);
    s.LocalPath = uR"(C:\site\)";
    s.Url = u"http://www.example.jp/";
    return s;
}

// Fills the boxes with values that pass every step.
void FillValid(QObject* form) {
    SetText(form, "txtSetName", u"Site");
    SetText(form, "txtBaseDirectory", uR"(C:\site)");
    SetText(form, "txtBaseUrl", u"http://www.example.jp/");
    SetText(form, "txtDefaultDocument", u"index.html");
    SetText(form, "txtHtmlFileName", u"*.htm");
}

const QString kNeedServer = QStringLiteral(
    "「基準ディレクトリに対応する URL」には\r\nサーバ名を含めた URL を設定してください。\r\n"
    "（例 : http://www.example.jp/~user/）\r\n\r\nもしくは、完全に空欄にして下さい。");
const QString kNeedRemote = QStringLiteral(
    "「基準ディレクトリに対応する URL」には\r\nリモートの URL を設定してください。\r\n"
    "（例 : http://www.example.jp/~user/）");
}  // namespace

class CheckSetTest : public QObject {
    Q_OBJECT

    platform::MemoryFileSystem fs_;
    std::unique_ptr<platform::ScopedFileSystem> use_;

private slots:
    void initTestCase() {
        fs_.AddDirectory(uR"(C:\prog)");
        fs_.AddFile(uR"(C:\site\index.htm)", "x");
        fs_.AddDirectory(uR"(C:\other)");
        use_ = std::make_unique<platform::ScopedFileSystem>(fs_);
        platform::SetProgramDirectory(uR"(C:\prog\)");
    }

    void NewStartsFromTheDefaults() {
        CheckSets sets(1);
        Settings settings;
        settings.SetId = -1;
        frmFileOption::PendingFileAttribute = 7;
        frmFileOption::PendingDirPatternXEnabled = 1;
        frmCheckSet form(sets, settings, {});
        QCOMPARE(form.windowTitle(), QStringLiteral("チェック セットのプロパティ"));
        QCOMPARE(Text(&form, "txtSetName"), std::u16string(u"新規チェック セット"));
        QCOMPARE(Text(&form, "txtBaseDirectory"), std::u16string());
        QCOMPARE(Text(&form, "txtBaseUrl"), std::u16string(u"http://"));
        QCOMPARE(Text(&form, "txtDefaultDocument"), std::u16string(u"index.html"));
        QCOMPARE(Text(&form, "txtHtmlFileName"), std::u16string(u"*.*htm*"));
        const bool checked[] = {true, true, true, true, true, false, true, false, false};
        for (std::size_t i = 0; i < std::size(kAlertBoxes); ++i)
            QVERIFY2(Box(&form, kAlertBoxes[i])->isChecked() == checked[i], kAlertBoxes[i]);
        QCOMPARE(frmFileOption::PendingFileAttribute, std::uint8_t{1});
        QCOMPARE(frmFileOption::PendingFilePatternXEnabled, std::uint8_t{1});
        QCOMPARE(frmFileOption::PendingFilePatternX, std::u16string(u"*.bak;*.log"));
        QCOMPARE(frmFileOption::PendingDirAttribute, std::uint8_t{1});
        QCOMPARE(frmFileOption::PendingDirPatternXEnabled, std::uint8_t{0});
        QCOMPARE(frmFileOption::PendingDirPatternX, std::u16string());
        QCOMPARE(Box(&form, "chkAllowBackSlash")->text(),
                 QStringLiteral("ディレクトリの区切り記号に \"\\\" を使用している"));
        QCOMPARE(Box(&form, "chkMailTo")->text(),
                 QStringLiteral("\"mailto:\" の後がメールアドレスでない"));
        QVERIFY(Box(&form, "chkModernHtml")->isChecked());
        QCOMPARE(Box(&form, "chkModernHtml")->text(),
                 QStringLiteral("UTF-8、HTML5、スタイルシートなど今日の書き方で読む"));
        QCOMPARE(Box(&form, "chkAlertIgnoredIdAnchor")->nextInFocusChain(),
                 Box(&form, "chkModernHtml"));
    }

    // Each case makes exactly one step fail; the rest of the form stays valid.
    void ValidationStopsAtTheFirstFailingStep() {
        struct Case {
            const char* box;
            std::u16string text;
            QString message;  // empty: passes
        };
        const Case cases[] = {
            {"txtSetName", u"   ", QStringLiteral("「チェック セット名」が空欄です。")},
            {"txtSetName", u"Other", QStringLiteral("そのチェック セット名は既に使われています。")},
            {"txtSetName", u"OTHER", {}},  // letter case makes another name
            {"txtSetName", std::u16string(100000, u'n'), {}},
            {"txtBaseDirectory", u"",
             QStringLiteral("「基準ディレクトリ」が空欄です。\r\n"
                            "（実在するディレクトリをフルパスで指定してください。）")},
            {"txtBaseDirectory", uR"(C:\nothing)",
             QStringLiteral("「基準ディレクトリ」で指定されたディレクトリは存在しません。\r\n"
                            "（実在するディレクトリをフルパスで指定してください。）")},
            {"txtBaseDirectory", uR"(C:\site\index.htm)",
             QStringLiteral("「基準ディレクトリ」にはディレクトリのパスを指定してください。\r\n"
                            "（実在するディレクトリを指定してください。）")},
            {"txtBaseDirectory", uR"(D:\site)",
             QStringLiteral("「基準ディレクトリ」で指定されたディレクトリは存在しません。\r\n"
                            "（実在するディレクトリをフルパスで指定してください。）")},
            {"txtBaseDirectory", u"/site", {}},
            {"txtBaseUrl", u"http://", kNeedServer},
            {"txtBaseUrl", u"www.example.jp", kNeedRemote},
            {"txtBaseUrl", u"mailto:a@example.jp", kNeedRemote},
            {"txtBaseUrl", u"", {}},
            {"txtBaseUrl", u"http://www.example.jp/" + std::u16string(1978, u'a'), {}},
            {"txtDefaultDocument", u"index.html;a*b.htm",
             QStringLiteral("「デフォルト ドキュメント名」の\r\n入力内容が不正です。\r\n"
                            "（「*」「?」を使うことはできません。）")},
            {"txtDefaultDocument", u"a:b;c|d",  // the last piece is judged first
             QStringLiteral("「デフォルト ドキュメント名」の\r\n入力内容が不正です。\r\n"
                            "（「\\」「/」「<」「>」「\"」「|」「:」を使うことはできません。）")},
            {"txtDefaultDocument", u";", {}},
            {"txtDefaultDocument", u"", {}},
            {"txtHtmlFileName", u"",
             QStringLiteral("「HTML ファイル名」を\r\n空欄にはできません。\r\n"
                            "（入力例 : \"*.*htm*\"）")},
            {"txtHtmlFileName", u"*.htm; \"x\" ", {}},  // blanks and quotes are trimmed
            {"txtHtmlFileName",
             u"*.htm;a\x01"
             u"b",
             QStringLiteral("「HTML ファイル名」の\r\n入力内容が不正です。\r\n"
                            "（不正な文字が使われています。）")},
            {"txtHtmlFileName", u"*.htm;<x>",
             QStringLiteral("「HTML ファイル名」の\r\n入力内容が不正です。\r\n"
                            "（「\\」「/」「<」「>」「\"」「|」「:」を使うことはできません。）")},
            {"txtHtmlFileName", u"a*.htm?", {}},
        };
        for (const Case& c : cases) {
            const QByteArray trace = QByteArray(c.box) + " " + ToQString(c.text).left(40).toUtf8();
            CheckSets sets{Named(u"Other"), Named(u"Mine")};
            const CheckSets before = sets;
            Settings settings;
            settings.SetId = 1;
            testutil::ScriptedMessageBoxes boxes;
            Main main;
            main.list.addItems({QStringLiteral("Other"), QStringLiteral("Mine")});
            frmCheckSet form(sets, settings, main.Controls());
            FillValid(&form);
            SetText(&form, c.box, c.text);
            const std::uint8_t result = form.ApplyCheckSet();
            if (c.message.isEmpty()) {
                QVERIFY2(result == 0, trace);
                QVERIFY2(boxes.Count() == 0, trace);
                QVERIFY2(sets[1].Name == Text(&form, "txtSetName"), trace);
            } else {
                QVERIFY2(result == 1, trace);
                QVERIFY2(boxes.Count() == 1, trace);
                QCOMPARE(boxes.Last().Text, c.message);
                QCOMPARE(boxes.Last().Title, QStringLiteral("エラー"));
                QVERIFY(boxes.Last().Icon == app::BoxIcon::Exclamation);
                QVERIFY2(sets == before, trace);
                QCOMPARE(main.list.itemText(1), QStringLiteral("Mine"));
            }
            QCOMPARE(settings.SetId, 1);
        }
    }

    void WriteBacksStayWhenALaterStepFails() {
        CheckSets sets(1);
        Settings settings;
        settings.SetId = -1;
        testutil::ScriptedMessageBoxes boxes;
        frmCheckSet form(sets, settings, {});
        FillValid(&form);
        SetText(&form, "txtSetName", u"  My site  ");
        SetText(&form, "txtBaseDirectory", u"~/../site");
        SetText(&form, "txtBaseUrl", u"https://www.example.jp/~me");
        SetText(&form, "txtHtmlFileName", u"");
        QCOMPARE(form.ApplyCheckSet(), std::uint8_t{1});
        QCOMPARE(Text(&form, "txtSetName"), std::u16string(u"My site"));
        QCOMPARE(Text(&form, "txtBaseUrl"), std::u16string(u"https://www.example.jp/~me/"));
        QCOMPARE(sets.size(), std::size_t{1});
        QVERIFY(sets[0].Name.empty());
        QCOMPARE(settings.SetId, -1);

        SetText(&form, "txtBaseDirectory", uR"(C:\site)");
        QCOMPARE(form.ApplyCheckSet(), std::uint8_t{1});
        QCOMPARE(Text(&form, "txtBaseDirectory"), std::u16string(uR"(C:\site\)"));
    }

    void NewReusesTheEmptyEntryThenAppends() {
        CheckSets sets(1);
        Settings settings;
        settings.SetId = -1;
        testutil::ScriptedMessageBoxes boxes;
        Main main;
        {
            frmCheckSet form(sets, settings, main.Controls());
            form.show();
            FillValid(&form);
            SetText(&form, "txtBaseUrl", u"http://www.example.jp/site");
            SetText(&form, "txtDefaultDocument", u"index.html; INDEX.HTML ;default.htm");
            SetText(&form, "txtHtmlFileName", u";");
            Click(&form, "chkAllowBackSlash");
            Click(&form, "chkAlertIgnoredIdAnchor");
            Click(&form, "cmdOK");
            QCOMPARE(boxes.Count(), 0);
            QVERIFY(!form.isVisible());
        }
        QCOMPARE(sets.size(), std::size_t{1});
        QCOMPARE(settings.SetId, 0);
        const CheckSet& s = sets[0];
        QCOMPARE(s.Name, std::u16string(u"Site"));
        QCOMPARE(s.LocalPath, std::u16string(uR"(C:\site\)"));
        QCOMPARE(s.Url, std::u16string(u"http://www.example.jp/site/"));
        QVERIFY((s.DefaultDocument == StringList{u"index.html", u"default.htm"}));
        QVERIFY((s.HtmlFilePattern == StringList{u""}));
        QCOMPARE(s.HtmlFileLikePattern.size(), std::size_t{1});
        QCOMPARE(s.AllowBackSlash, std::uint8_t{1});  // unchecked box: permitted
        QCOMPARE(s.AllowLocalFullPath, std::uint8_t{0});
        QCOMPARE(s.CheckMailTo, std::uint8_t{1});
        QCOMPARE(s.AlertIgnoredIdAnchor, std::uint8_t{1});
        QCOMPARE(s.StrictAnchorDescription, std::uint8_t{0});
        QCOMPARE(s.ModernHtml, std::uint8_t{1});
        QVERIFY((s.FilePatternX == StringList{u"*.bak", u"*.log"}));
        QVERIFY((s.DirPatternX == StringList{u""}));
        QCOMPARE(s.FilePatternXEnabled, std::uint8_t{1});
        QCOMPARE(main.list.count(), 1);
        QCOMPARE(main.list.currentIndex(), 0);
        QVERIFY(main.edit.isEnabled() && main.remove.isEnabled());

        settings.SetId = -1;
        frmCheckSet second(sets, settings, main.Controls());
        FillValid(&second);
        SetText(&second, "txtSetName", u"Second");
        SetText(&second, "txtHtmlFileName", u"*.htm;*.HTM;*.html");
        QCOMPARE(second.ApplyCheckSet(), std::uint8_t{0});
        QCOMPARE(sets.size(), std::size_t{2});
        QCOMPARE(settings.SetId, 1);
        QVERIFY((sets[1].HtmlFilePattern == StringList{u"*.htm", u"*.html"}));
        QVERIFY(
            (sets[1].HtmlFileLikePattern == StringList{u"*.[Hh][Tt][Mm]", u"*.[Hh][Tt][Mm][Ll]"}));
        QCOMPARE(main.list.count(), 2);
        QCOMPARE(main.list.currentIndex(), 1);
        QCOMPARE(sets[0].Name, std::u16string(u"Site"));
    }

    void NewThenCancelAddsNothing() {
        CheckSets sets{Named(u"A")};
        Settings settings;
        settings.SetId = -1;
        Main main;
        frmCheckSet form(sets, settings, main.Controls());
        form.show();
        FillValid(&form);
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(!form.isVisible());
        QCOMPARE(settings.SetId, -1);
        QCOMPARE(sets.size(), std::size_t{1});
        QCOMPARE(main.list.count(), 0);
    }

    void EditKeepsItsNameRenamesTheItemAndStoresTheOptions() {
        CheckSet a = Named(u"A");
        a.AllowLocalFullPath = 1;
        a.StrictAnchorDescription = 1;
        a.FilePatternXEnabled = 0;
        a.FilePatternX = {u"*.tmp"};
        a.ModernHtml = 0;  // stored before the box existed
        CheckSets sets{a, Named(u"B")};
        Settings settings;
        settings.SetId = 0;
        Main main;
        main.list.addItems({QStringLiteral("A"), QStringLiteral("B")});
        testutil::ScriptedMessageBoxes boxes;
        frmCheckSet form(sets, settings, main.Controls());
        form.show();
        QVERIFY(!Box(&form, "chkAllowLocalFullPath")->isChecked());
        QVERIFY(Box(&form, "chkStrictAnchorDescription")->isChecked());
        QVERIFY(!Box(&form, "chkModernHtml")->isChecked());
        QCOMPARE(frmFileOption::PendingFilePatternXEnabled, std::uint8_t{0});
        QCOMPARE(frmFileOption::PendingFilePatternX, std::u16string(u"*.tmp"));
        QCOMPARE(form.ApplyCheckSet(), std::uint8_t{0});  // its own name passes
        QCOMPARE(sets[0], a);

        testutil::OnModal(QStringLiteral("frmFileOption"), [](QWidget* options) {
            Click(options, "chkFilePattern");
            SetText(options, "txtFilePattern", u" *.tmp ; *.TMP;;*.old ");
            Click(options, "chkDirOption(1)");
            Click(options, "cmdOK");
        });
        Click(&form, "cmdFileOption");
        SetText(&form, "txtSetName", u"A2");
        Click(&form, "chkModernHtml");
        Click(&form, "cmdOK");
        QCOMPARE(boxes.Count(), 0);
        QCOMPARE(main.list.itemText(0), QStringLiteral("A2"));
        QCOMPARE(sets[0].Name, std::u16string(u"A2"));
        QCOMPARE(sets[0].FilePatternXEnabled, std::uint8_t{1});
        QVERIFY((sets[0].FilePatternX == StringList{u"*.tmp", u"*.old"}));
        QCOMPARE(sets[0].DirAttribute, std::uint8_t{3});
        QCOMPARE(sets[0].ModernHtml, std::uint8_t{1});
        QCOMPARE(sets[1], Named(u"B"));
    }

    void BaseDirectoryThroughTheChooserAndWhenItVanishes() {
        CheckSets sets(1);
        Settings settings;
        settings.SetId = -1;
        testutil::ScriptedMessageBoxes boxes;
        frmCheckSet form(sets, settings, {});
        form.show();
        FillValid(&form);
        SetText(&form, "txtBaseDirectory", u"\"/other\"");
        std::u16string opened;
        testutil::OnModal(QStringLiteral("frmDlgDirectory"), [&opened](QWidget* chooser) {
            opened = static_cast<frmDlgDirectory*>(chooser)->OpenDirectory();
            Click(chooser, "cmdOk");
        });
        Click(&form, "cmdDirectoryDialog");
        QCOMPARE(opened, std::u16string(uR"(C:\other\)"));
        QCOMPARE(Text(&form, "txtBaseDirectory"), std::u16string(uR"(C:\other\)"));

        platform::MemoryFileSystem gone;
        gone.AddDirectory(uR"(C:\prog)");
        platform::ScopedFileSystem use(gone);
        QCOMPARE(form.ApplyCheckSet(), std::uint8_t{1});
        QCOMPARE(boxes.Last().Text,
                 QStringLiteral("「基準ディレクトリ」で指定されたディレクトリは存在しません。\r\n"
                                "（実在するディレクトリをフルパスで指定してください。）"));
        QCOMPARE(sets.size(), std::size_t{1});
        QVERIFY(sets[0].Name.empty());
    }

    void HelpAndButtonRow() {
        static int context = 0;
        OpenHelpContext = [](QWidget*, int c) { context = c; };
        CheckSets sets(1);
        Settings settings;
        settings.SetId = -1;
        frmCheckSet form(sets, settings, {});
        form.show();
        Click(&form, "cmdHelp");
        OpenHelpContext = nullptr;
        QCOMPARE(context, 102);
        auto* ok = Control<QWidget>(&form, "cmdOK");
        auto* cancel = Control<QWidget>(&form, "cmdCancel");
        auto* help = Control<QWidget>(&form, "cmdHelp");
        QVERIFY(std::abs(cancel->x() + cancel->width() / 2 - form.width() / 2) <= 1);
        QCOMPARE(ok->x() + ok->width(), cancel->x());
        QCOMPARE(cancel->x() + cancel->width(), help->x());
        QCOMPARE(Control<QPushButton>(&form, "cmdOK")->text(), QStringLiteral("O K"));
        QCOMPARE(Control<QPushButton>(&form, "cmdCancel")->text(), QStringLiteral("取 消"));
        QCOMPARE(Control<QLabel>(&form, "lblBaseDirectory")->buddy(),
                 Control<QWidget>(&form, "txtBaseDirectory"));
    }
};

QTEST_MAIN(CheckSetTest)
#include "frmCheckSet_test.moc"
