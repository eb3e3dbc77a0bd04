#include "app/VornApp.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QTest>
#include <QWidget>
#include <vector>

#include "platform/qt/Screen.h"

class VornAppTest : public QObject {
    Q_OBJECT

private slots:
    void Placement() {
        platform::ScopedScreenArea screen(QRect(0, 0, 1000, 800));
        struct Case {
            const char* name;
            QRect owner, window, expected;
        };
        const Case cases[] = {
            {"centred over the owner",
             {100, 100, 400, 300},
             {0, 0, 200, 100},
             {200, 200, 200, 100}},
            {"owner near the right edge",
             {800, 100, 400, 300},
             {0, 0, 300, 100},
             {700, 200, 300, 100}},
            {"owner above the top", {100, -300, 400, 300}, {0, 0, 200, 400}, {200, 0, 200, 400}},
            {"larger than the screen", {0, 0, 400, 300}, {0, 0, 1200, 900}, {0, 0, 1000, 800}},
        };
        for (const Case& c : cases) {
            QWidget owner, window;
            owner.setGeometry(c.owner);
            window.setGeometry(c.window);
            VornApp::CenterOnOwner(&owner, &window);
            QVERIFY2(window.frameGeometry() == c.expected, c.name);
        }
    }

    void CentredOnScreenAndKeptOn() {
        platform::ScopedScreenArea screen(QRect(0, 0, 1000, 800));
        QWidget w;
        w.setGeometry(0, 0, 300, 200);
        VornApp::CenterOnScreen(&w);
        QCOMPARE(w.frameGeometry().topLeft(), QPoint(350, 300));
        // A position stored while a second monitor was attached.
        w.move(2500, -400);
        VornApp::KeepOnScreen(&w);
        QCOMPARE(w.frameGeometry().topLeft(), QPoint(700, 0));
    }

    void ScreenWithOffset() {
        platform::ScopedScreenArea screen(QRect(1920, 0, 1280, 1024));
        QWidget w;
        w.setGeometry(100, 100, 300, 200);
        VornApp::KeepOnScreen(&w);
        QCOMPARE(w.frameGeometry().topLeft(), QPoint(1920, 100));
    }

    void TwipsRoundTrip() {
        QWidget w;
        VornApp::MoveToTwips(&w, 1500, 3000);
        const double tx = platform::TwipsPerPixelX(&w), ty = platform::TwipsPerPixelY(&w);
        QCOMPARE(w.frameGeometry().topLeft(), QPoint(qRound(1500 / tx), qRound(3000 / ty)));
        QCOMPARE(VornApp::LeftTwips(&w), w.frameGeometry().x() * tx);
    }

    void MasksAndChecks() {
        QCheckBox a, b, c;
        std::vector<QAbstractButton*> boxes{&a, &b, &c};
        QCOMPARE(VornApp::SetChecksFromMask(boxes, 0, 2, 5), std::uint8_t(0));
        QVERIFY(a.isChecked() && !b.isChecked() && c.isChecked());
        QCOMPARE(VornApp::MaskFromChecks(boxes, 0, 2), 5);
        QCOMPARE(VornApp::FindCheckedIndex(boxes, 0, 2), 0);
        QCOMPARE(VornApp::FindCheckedIndex(boxes, 1, 2), 2);
        QCOMPARE(VornApp::MaskFromChecks(boxes, 1, 2), 4);

        // Out of range, or a missing control: the failure results, and nothing changes.
        QCOMPARE(VornApp::SetChecksFromMask(boxes, 0, 3, 0), std::uint8_t(1));
        QVERIFY(a.isChecked());
        QCOMPARE(VornApp::MaskFromChecks(boxes, -1, 2), 0);
        QCOMPARE(VornApp::FindCheckedIndex(boxes, 0, 5), -1);
        std::vector<QAbstractButton*> gap{&a, nullptr, &c};
        QCOMPARE(VornApp::FindCheckedIndex(gap, 0, 2), -1);

        // Option buttons in a group: the checked one is found.
        QWidget group;
        QRadioButton r0(&group), r1(&group), r2(&group);
        std::vector<QAbstractButton*> options{&r0, &r1, &r2};
        QCOMPARE(VornApp::FindCheckedIndex(options, 0, 2), -1);
        VornApp::SetChecksFromMask(options, 0, 2, 2);
        QCOMPARE(VornApp::FindCheckedIndex(options, 0, 2), 1);
    }
};

QTEST_MAIN(VornAppTest)
#include "VornApp_test.moc"
