#include "platform/qt/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "testutil/ScriptedMessageBoxes.h"

// The desktop's boxes, answered by key presses as a person would.
class MessageBoxTest : public QObject {
    Q_OBJECT

    struct Seen {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title, text, default_text;
        int buttons = 0;
        Qt::TextFormat format = Qt::AutoText;
    };

    // Shows `box` with the desktop service and presses `key` in it.
    static app::BoxAnswer Press(const platform::BoxRequest& box, int key, Seen& seen) {
        QTimer::singleShot(0, [&seen, key] {
            auto* mb = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!mb) return;
            seen.icon = mb->icon();
            seen.title = mb->windowTitle();
            seen.text = mb->text();
            seen.format = mb->textFormat();
            seen.buttons = int(mb->buttons().size());
            if (mb->defaultButton()) seen.default_text = mb->defaultButton()->text();
            QTest::keyClick(mb, Qt::Key(key));
        });
        return platform::MessageBoxes().Show(nullptr, box);
    }

private slots:
    void QuestionsAndErrors() {
        using app::BoxAnswer;
        struct Case {
            platform::BoxRequest box;
            int key;
            BoxAnswer answer;
            QMessageBox::Icon icon;
            int buttons;
            QString default_text;
        };
        const Case cases[] = {
            {{app::BoxIcon::Question, app::BoxButtons::YesNo, BoxAnswer::No, "処理の中断", "a"},
             Qt::Key_Return,
             BoxAnswer::No,
             QMessageBox::Question,
             2,
             "いいえ(&N)"},
            {{app::BoxIcon::Information, app::BoxButtons::YesNo, BoxAnswer::Yes, "t", "a"},
             Qt::Key_Return,
             BoxAnswer::Yes,
             QMessageBox::Information,
             2,
             "はい(&Y)"},
            {{app::BoxIcon::Question, app::BoxButtons::YesNo, BoxAnswer::Yes, "t", "a"},
             Qt::Key_Escape,
             BoxAnswer::No,
             QMessageBox::Question,
             2,
             "はい(&Y)"},
            {{app::BoxIcon::Exclamation, app::BoxButtons::Ok, BoxAnswer::Ok, "エラー", "a"},
             Qt::Key_Escape,
             BoxAnswer::Ok,
             QMessageBox::Warning,
             1,
             "OK"},
        };
        for (const Case& c : cases) {
            Seen seen;
            QCOMPARE(Press(c.box, c.key, seen), c.answer);
            QCOMPARE(seen.icon, c.icon);
            QCOMPARE(seen.title, c.box.Title);
            QCOMPARE(seen.buttons, c.buttons);
            QCOMPARE(seen.default_text.remove('&'), QString(c.default_text).remove('&'));
        }
    }

    void TextIsPlainWithItsLineBreaks() {
        Seen seen;
        Press({app::BoxIcon::Information, app::BoxButtons::Ok, app::BoxAnswer::Ok, "t",
               "<b>「a」</b>を\r\n削除"},
              Qt::Key_Return, seen);
        QCOMPARE(seen.format, Qt::PlainText);
        QCOMPARE(seen.text, QStringLiteral("<b>「a」</b>を\n削除"));
    }

    void ScriptedBoxesReplaceTheDesktopsWhileTheyLive() {
        {
            testutil::ScriptedMessageBoxes boxes;
            boxes.Answer({app::BoxAnswer::Yes});
            QVERIFY(platform::AskYesNo(nullptr, "確認", "q"));
            QVERIFY(!platform::AskYesNo(nullptr, "確認", "q", true));  // the script ran out
            platform::ShowError(nullptr, "e");
            QCOMPARE(boxes.Count(), 3);
            QCOMPARE(boxes.Shown[1].Default, app::BoxAnswer::No);
            QCOMPARE(boxes.Last().Title, QStringLiteral("エラー"));
            QCOMPARE(boxes.Last().Icon, app::BoxIcon::Exclamation);
        }
        QVERIFY(dynamic_cast<testutil::ScriptedMessageBoxes*>(&platform::MessageBoxes()) ==
                nullptr);
    }
};

QTEST_MAIN(MessageBoxTest)
#include "MessageBox_test.moc"
