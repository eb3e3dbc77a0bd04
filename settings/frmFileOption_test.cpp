#include "settings/frmFileOption.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "testutil/FormTest.h"
#include "testutil/ScriptedMessageBoxes.h"

using testutil::Click;
using testutil::Control;

namespace {
struct Values {
    std::uint8_t file_mask, file_on;
    std::u16string file_text;
    std::uint8_t dir_mask, dir_on;
    std::u16string dir_text;
    bool operator==(const Values&) const = default;
};

void Put(const Values& v) {
    frmFileOption::PendingFileAttribute = v.file_mask;
    frmFileOption::PendingFilePatternXEnabled = v.file_on;
    frmFileOption::PendingFilePatternX = v.file_text;
    frmFileOption::PendingDirAttribute = v.dir_mask;
    frmFileOption::PendingDirPatternXEnabled = v.dir_on;
    frmFileOption::PendingDirPatternX = v.dir_text;
}

Values Get() {
    return {frmFileOption::PendingFileAttribute,      frmFileOption::PendingFilePatternXEnabled,
            frmFileOption::PendingFilePatternX,       frmFileOption::PendingDirAttribute,
            frmFileOption::PendingDirPatternXEnabled, frmFileOption::PendingDirPatternX};
}

QCheckBox* Box(QObject* form, const char* name) { return Control<QCheckBox>(form, name); }

const QString kForbidden =
    QStringLiteral("パターン記述に\r\n\\ / < > \" | :\r\nを使うことはできませｎ。");
}  // namespace

class FileOptionTest : public QObject {
    Q_OBJECT

private slots:
    void LoadsTheValuesWithAGreyedTextWhenIgnoringIsOff() {
        Put({5, 0, u"*.bak;*.tmp", 2, 1, u"cvs"});
        frmFileOption form;
        QCOMPARE(form.windowTitle(), QStringLiteral("ファイル検索オプション"));
        QVERIFY(Box(&form, "chkFileOption(0)")->isChecked());
        QVERIFY(!Box(&form, "chkFileOption(1)")->isChecked());
        QVERIFY(Box(&form, "chkFileOption(2)")->isChecked());
        QVERIFY(Box(&form, "chkDirOption(1)")->isChecked());
        QVERIFY(!Box(&form, "chkFilePattern")->isChecked());
        auto* file_text = Control<QLineEdit>(&form, "txtFilePattern");
        QVERIFY(!file_text->isEnabled());
        QCOMPARE(file_text->text(), QStringLiteral("*.bak;*.tmp"));
        QVERIFY(!Control<QLabel>(&form, "lblComment(0)")->isEnabled());
        QVERIFY(Box(&form, "chkDirPattern")->isChecked());
        QVERIFY(Control<QLineEdit>(&form, "txtDirPattern")->isEnabled());
        QVERIFY(Control<QLabel>(&form, "lblComment(1)")->isEnabled());
    }

    void PatternBoxTogglesTheTextAndHintButKeepsTheText() {
        Put({1, 1, u"*.log", 1, 0, u"old"});
        frmFileOption form;
        form.show();
        auto* dir_text = Control<QLineEdit>(&form, "txtDirPattern");
        QVERIFY(!dir_text->isEnabled());
        Click(&form, "chkDirPattern");
        QVERIFY(dir_text->isEnabled());
        QVERIFY(Control<QLabel>(&form, "lblComment(1)")->isEnabled());
        QCOMPARE(dir_text->text(), QStringLiteral("old"));
        Click(&form, "chkFilePattern");
        QVERIFY(!Control<QLineEdit>(&form, "txtFilePattern")->isEnabled());
        QCOMPARE(Control<QLineEdit>(&form, "txtFilePattern")->text(), QStringLiteral("*.log"));
    }

    void OkStoresOrWarnsAndKeepsTheDialogOpen() {
        const Values start{1, 1, u"*.bak;*.log", 1, 0, u""};
        struct Case {
            const char* name;
            std::vector<const char*> clicks;  // boxes clicked before OK
            std::u16string file_text, dir_text;
            QString message;  // empty: stored
            Values stored;
        };
        const Case cases[] = {
            {"only hidden directories",
             {"chkDirOption(0)", "chkDirOption(1)"},
             u"*.bak;*.log",
             u"",
             {},
             {1, 1, u"*.bak;*.log", 2, 0, u""}},
            {"every file attribute",
             {"chkFileOption(1)", "chkFileOption(2)"},
             u"*.bak",
             u"x",
             {},
             {7, 1, u"*.bak", 1, 0, u"x"}},
            {"file slash", {}, u"a/b", u"", QStringLiteral("ファイル名") + kForbidden, start},
            {"directory colon while on",
             {"chkDirPattern"},
             u"x",
             u"c:d",
             QStringLiteral("ディレクトリ名") + kForbidden,
             start},
            {"unchecked text is stored unchecked",
             {"chkFilePattern"},
             u"a/b",
             u"",
             {},
             {1, 0, u"a/b", 1, 0, u""}},
            {"blanks and wildcards pass",
             {"chkDirPattern"},
             u" ;*;?",
             u"",
             {},
             {1, 1, u" ;*;?", 1, 1, u""}},
        };
        for (const Case& c : cases) {
            Put(start);
            testutil::ScriptedMessageBoxes boxes;
            frmFileOption form;
            form.show();
            for (const char* box : c.clicks) Click(&form, box);
            testutil::SetText(&form, "txtFilePattern", c.file_text);
            testutil::SetText(&form, "txtDirPattern", c.dir_text);
            Click(&form, "cmdOK");
            if (c.message.isEmpty()) {
                QVERIFY2(boxes.Count() == 0, c.name);
                QVERIFY2(form.result() == QDialog::Accepted && !form.isVisible(), c.name);
            } else {
                QVERIFY2(boxes.Count() == 1, c.name);
                QCOMPARE(boxes.Last().Text, c.message);
                QCOMPARE(boxes.Last().Title, QStringLiteral("パターン記述が不正です"));
                QVERIFY(boxes.Last().Icon == app::BoxIcon::Exclamation);
                QVERIFY2(form.isVisible(), c.name);
            }
            QVERIFY2(Get() == c.stored, c.name);
        }
    }

    void EveryForbiddenCharacterIsRefused() {
        for (const char16_t bad : std::u16string_view(u"/\\<>\"|:")) {
            testutil::ScriptedMessageBoxes boxes;
            frmFileOption form;
            testutil::SetText(&form, "txtFilePattern", std::u16string(u"a") + bad);
            QCOMPARE(form.ApplyOptions(), std::uint8_t{1});
            QCOMPARE(boxes.Count(), 1);
        }
        QCOMPARE(frmFileOption::CheckPatternText(u"*.bak; x?.tmp;#[a-z]"), std::u16string());
    }

    void CancelLeavesTheValues() {
        const Values start{3, 1, u"*.bak", 4, 1, u"tmp"};
        Put(start);
        frmFileOption form;
        form.show();
        Click(&form, "chkFileOption(2)");
        Click(&form, "chkDirPattern");
        testutil::SetText(&form, "txtFilePattern", u"*.zzz");
        Click(&form, "cmdCancel");
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(Get() == start);
        // Escape cancels too.
        frmFileOption again;
        again.show();
        Click(&again, "chkFileOption(0)");
        QTest::keyClick(&again, Qt::Key_Escape);
        QVERIFY(!again.isVisible());
        QVERIFY(Get() == start);
    }

    void ButtonsMeetAtTheMiddle() {
        frmFileOption form;
        auto* ok = Control<QWidget>(&form, "cmdOK");
        auto* cancel = Control<QWidget>(&form, "cmdCancel");
        QCOMPARE(cancel->x(), form.width() / 2);
        QCOMPARE(ok->x() + ok->width(), cancel->x());
        QCOMPARE(ok->y(), cancel->y());
        QCOMPARE(Control<QPushButton>(&form, "cmdOK")->text(), QStringLiteral("O K"));
        QCOMPARE(Control<QPushButton>(&form, "cmdCancel")->text(), QStringLiteral("取 消"));
    }
};

QTEST_MAIN(FileOptionTest)
#include "frmFileOption_test.moc"
