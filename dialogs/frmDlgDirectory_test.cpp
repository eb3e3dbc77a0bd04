#include "dialogs/frmDlgDirectory.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <map>

#include "dialogs/frmDlgDirectorySpecial.h"
#include "gui/QtText.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Program.h"
#include "platform/qt/Screen.h"
#include "testutil/FormTest.h"
#include "testutil/ForwardingFileSystem.h"

using testutil::Click;
using testutil::Control;

namespace {
// Counts the listings of each directory's contents (looking up one name is no listing).
class CountingFileSystem : public testutil::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    std::map<std::u16string, int> Listed;
    platform::ListResult List(std::u16string_view listing, std::uint8_t mask,
                              std::vector<platform::DirEntry>& out) override {
        if (listing.ends_with(u'*')) ++Listed[std::u16string(listing)];
        return inner_.List(listing, mask, out);
    }
};

QTreeWidget* Tree(QObject* form) { return Control<QTreeWidget>(form, "dirList"); }

QTreeWidgetItem* Child(QTreeWidgetItem* item, const QString& name) {
    for (int i = 0; i < item->childCount(); ++i)
        if (item->child(i)->text(0) == name) return item->child(i);
    return nullptr;
}
}  // namespace

class DirectoryChooserTest : public QObject {
    Q_OBJECT

    platform::MemoryFileSystem fs_;
    std::unique_ptr<platform::ScopedFileSystem> use_;

private slots:
    void initTestCase() {
        qputenv("HOME", "/home/u");
        qputenv("XDG_CONFIG_HOME", "/nowhere");
        qputenv("TMPDIR", "/var/tmp");
        fs_.AddDirectory(uR"(C:\prog)");
        fs_.AddFile(uR"(C:\site\index.htm)", "x");
        fs_.AddDirectory(uR"(C:\site\img)");
        fs_.AddDirectory(uR"(C:\site\.git)");
        fs_.AddDirectory(uR"(C:\home\u\Desktop)");
        fs_.AddDirectory(uR"(C:\home\u\Documents)");
        fs_.AddDirectory(uR"(C:\var\tmp)");
        fs_.AddDirectory(uR"(C:\locked\inner)");
        fs_.FailList(uR"(C:\locked)");
        use_ = std::make_unique<platform::ScopedFileSystem>(fs_);
        platform::SetProgramDirectory(uR"(C:\prog\)");
    }

    void StartDirectory() {
        struct Case {
            std::u16string exchange, open;
        };
        const Case cases[] = {
            {u"", uR"(C:\prog\)"},
            {uR"(C:\site)", uR"(C:\site\)"},
            {uR"(c:\SITE\)", uR"(C:\site\)"},           // found whatever the letter case
            {uR"(C:\site\index.htm)", uR"(C:\site\)"},  // a file: its directory
            {uR"(C:\si?e)", uR"(C:\prog\)"},            // wildcards are no path
            {uR"(C:\missing)", uR"(C:\prog\)"},
            {uR"(D:\x)", uR"(C:\prog\)"},               // no such drive
            {u"/site", uR"(C:\site\)"},                 // a host path
            {uR"(\site)", uR"(C:\site\)"},              // rooted without drive
            {uR"(C:\site\.git)", uR"(C:\site\.git\)"},  // hidden from the listing, still opens
            {uR"(C:\locked)", uR"(C:\locked\)"},        // cannot be listed: opens, empty
            {std::u16string(100000, u'a'), uR"(C:\prog\)"},
        };
        for (const Case& c : cases) {
            frmDlgDirectory::Directory = c.exchange;
            frmDlgDirectory form;
            QCOMPARE(form.OpenDirectory(), c.open);
            QCOMPARE(Control<QComboBox>(&form, "drvList")->currentText(), QStringLiteral("c:"));
            QTreeWidgetItem* current = Tree(&form)->currentItem();
            QVERIFY(current);
            QCOMPARE(current->data(0, Qt::UserRole).toString(), ToQString(c.open));
        }
    }

    void TreeListsDirectoriesOnlyWhenOpened() {
        CountingFileSystem counting(fs_);
        platform::ScopedFileSystem use(counting);
        frmDlgDirectory::Directory = uR"(C:\site\)";
        frmDlgDirectory form;
        QTreeWidgetItem* root = Tree(&form)->topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("c:\\"));
        // Opening lists the open directory alone; the way down is filled in afterwards.
        QCOMPARE(counting.Listed.size(), std::size_t{1});
        QCOMPARE(counting.Listed.begin()->first, std::u16string(uR"(C:\site\*)"));
        QCOMPARE(root->childCount(), 1);
        QTreeWidgetItem* site = Child(root, QStringLiteral("site"));
        QVERIFY(Child(site, QStringLiteral("img")));
        QVERIFY(!Child(site, QStringLiteral("index.htm")));
        QVERIFY(!Child(site, QStringLiteral(".git")));
        QTest::qWait(1);
        QVERIFY(Tree(&form)->currentItem() == site);
        QTreeWidgetItem* home = Child(root, QStringLiteral("home"));
        QVERIFY(home);
        QCOMPARE(home->childCount(), 0);  // never opened, never listed
        QVERIFY(!counting.Listed.contains(uR"(C:\home\*)"));
        QCOMPARE(counting.Listed[uR"(C:\site\*)"], 1);
        home->setExpanded(true);
        QVERIFY(Child(home, QStringLiteral("u")));
        QTreeWidgetItem* locked = Child(root, QStringLiteral("locked"));
        locked->setExpanded(true);
        QCOMPARE(locked->childCount(), 0);
    }

    void OkGivesTheHighlightedDirectoryAndCancelNothing() {
        frmDlgDirectory::Directory = uR"(C:\site)";
        frmDlgDirectory form;
        form.show();
        QTreeWidgetItem* img = Child(Tree(&form)->currentItem(), QStringLiteral("img"));
        Tree(&form)->setCurrentItem(img);
        Click(&form, "cmdOk");
        QCOMPARE(frmDlgDirectory::Directory, std::u16string(uR"(C:\site\img\)"));

        frmDlgDirectory::Directory = uR"(C:\site)";
        frmDlgDirectory again;
        again.show();
        Tree(&again)->setCurrentItem(Child(Tree(&again)->currentItem(), QStringLiteral("img")));
        Click(&again, "cmdCancel");
        QCOMPARE(frmDlgDirectory::Directory, std::u16string());
    }

    void SpecialFoldersInTheirOrder() {
        const std::vector<frmDlgDirectorySpecial::SpecialFolder> folders =
            frmDlgDirectorySpecial::SpecialFolders();
        QCOMPARE(folders.size(), std::size_t{4});
        const std::pair<std::u16string, std::u16string> expected[] = {
            {u"デスクトップ", uR"(C:\home\u\Desktop\)"},
            {u"マイ ドキュメント", uR"(C:\home\u\Documents\)"},
            {u"Windows", uR"(C:\)"},
            {u"Temp", uR"(C:\var\tmp\)"},
        };
        for (std::size_t i = 0; i < 4; ++i) {
            QCOMPARE(folders[i].DisplayName, expected[i].first);
            QCOMPARE(folders[i].Path, expected[i].second);
        }
        frmDlgDirectorySpecial::Directory = u"stale";
        frmDlgDirectorySpecial form;
        QCOMPARE(frmDlgDirectorySpecial::Directory, std::u16string());
        QCOMPARE(Control<QListWidget>(&form, "lstDirectory")->count(), 4);
        QCOMPARE(form.windowTitle(), QStringLiteral("特殊ディレクトリの指定"));
    }

    void SpecialMovesTheTreeAndCancelLeavesIt() {
        frmDlgDirectory::Directory = uR"(C:\site)";
        frmDlgDirectory form;
        form.show();
        testutil::OnModal(QStringLiteral("frmDlgDirectorySpecial"), [](QWidget* special) {
            auto* list = Control<QListWidget>(special, "lstDirectory");
            list->setCurrentRow(3);
            Click(special, "cmdOk");
        });
        Click(&form, "cmdSpecial");
        QCOMPARE(form.OpenDirectory(), std::u16string(uR"(C:\var\tmp\)"));

        testutil::OnModal(QStringLiteral("frmDlgDirectorySpecial"), [](QWidget* special) {
            Control<QListWidget>(special, "lstDirectory")->setCurrentRow(0);
            Click(special, "cmdCancel");
        });
        Click(&form, "cmdSpecial");
        QCOMPARE(form.OpenDirectory(), std::u16string(uR"(C:\var\tmp\)"));

        // A double click chooses like OK.
        testutil::OnModal(QStringLiteral("frmDlgDirectorySpecial"), [](QWidget* special) {
            auto* list = Control<QListWidget>(special, "lstDirectory");
            list->setCurrentRow(1);
            emit list->itemDoubleClicked(list->item(1));
        });
        Click(&form, "cmdSpecial");
        QCOMPARE(form.OpenDirectory(), std::u16string(uR"(C:\home\u\Documents\)"));
    }

    void DriveNotReadyGoesBackToTheSystemDrive() {
        frmDlgDirectory::Directory = uR"(C:\site)";
        frmDlgDirectory form;
        auto* drives = Control<QComboBox>(&form, "drvList");
        drives->addItem(QStringLiteral("d:"));
        drives->setCurrentIndex(1);
        QCOMPARE(drives->currentText(), QStringLiteral("c:"));
        QCOMPARE(form.OpenDirectory(), std::u16string(uR"(C:\)"));
    }

    void ResizeKeepsTheMinimumAndTheOffsets() {
        frmDlgDirectory::Directory = u"";
        frmDlgDirectory form;
        form.show();
        const double tx = platform::TwipsPerPixelX(), ty = platform::TwipsPerPixelY();
        form.resize(10, 10);
        QVERIFY(form.width() * tx >= 3780 - tx && form.height() * ty >= 2865 - ty);
        form.resize(600, 450);
        QTest::qWait(1);
        auto near = [](double got, double want, double step) {
            return std::abs(got - want) <= step;
        };
        QVERIFY(near(Tree(&form)->width() * tx, 600 * tx - 1290, tx));
        QVERIFY(near(Control<QWidget>(&form, "drvList")->width() * tx, 600 * tx - 1290, tx));
        QVERIFY(near(Tree(&form)->height() * ty, 450 * ty - 1215, ty));
        for (const char* b : {"cmdOk", "cmdCancel", "cmdSpecial"})
            QVERIFY(near(Control<QWidget>(&form, b)->x() * tx, 600 * tx - 1005, tx));
    }
};

QTEST_MAIN(DirectoryChooserTest)
#include "frmDlgDirectory_test.moc"
