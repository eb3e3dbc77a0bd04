#include "app/VornApp.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
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

    // Two monitors side by side (see main): the primary one at 96 dpi, a second at 144.
    void TwoMonitors() {
        QCOMPARE(QGuiApplication::screens().size(), 2);
        QWidget w;
        w.setGeometry(1500, 100, 400, 300);
        VornApp::KeepOnScreen(&w);
        QCOMPARE(w.frameGeometry().topLeft(), QPoint(1500, 100));
        VornApp::CenterOnScreen(&w);
        // At 144 dpi the second screen is smaller in the pixels Qt counts.
        const QRect second = QGuiApplication::screens()[1]->availableGeometry();
        QCOMPARE(w.frameGeometry().topLeft(), QPoint(second.x() + (second.width() - 400) / 2,
                                                     second.y() + (second.height() - 300) / 2));
        // Twips mean one place on the desktop, whichever monitor shows it.
        QCOMPARE(platform::TwipsPerPixelX(), 15.0);
        QCOMPARE(VornApp::LeftTwips(&w), w.frameGeometry().x() * 15.0);
        // The monitor that showed it is gone.
        w.move(5000, 100);
        VornApp::KeepOnScreen(&w);
        QCOMPARE(w.frameGeometry().topLeft(), QPoint(1280 - 400, 100));
    }

    void TwipsRoundTrip() {
        QWidget w;
        VornApp::MoveToTwips(&w, 1500, 3000);
        const double tx = platform::TwipsPerPixelX(), ty = platform::TwipsPerPixelY();
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

int main(int argc, char* argv[]) {
    // Two screens for the offscreen platform.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly)) return 1;
    f.write(R"({"screens": [
        {"name": "primary", "x": 0, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96},
        {"name": "second", "x": 1280, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 144}
    ]})");
    f.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    QApplication app(argc, argv);
    VornAppTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "VornApp_test.moc"
