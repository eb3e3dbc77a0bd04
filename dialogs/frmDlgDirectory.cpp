#include "dialogs/frmDlgDirectory.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>
#include <QTreeWidget>
#include <vector>

#include "app/VornApp.h"
#include "dialogs/FormParts.h"
#include "dialogs/frmDlgDirectorySpecial.h"
#include "gui/QtText.h"
#include "lib/VornFileList.h"
#include "lib/VornFilePath.h"
#include "platform/FileNameCompare.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/Program.h"
#include "platform/qt/Screen.h"

namespace {
constexpr std::u16string_view kTitle = u"ディレクトリ選択";
constexpr std::u16string_view kDrive = u"ドライブ";
constexpr std::u16string_view kDirectory = u"ディレクトリ";

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

// Offsets of the resizable layout, in twips.
constexpr int kListWidthOffset = 1290;
constexpr int kTreeHeightOffset = 1215;
constexpr int kButtonLeftOffset = 1005;
constexpr int kMargin = 120;
constexpr int kDriveTop = 360;
constexpr int kDirLabelTop = 780;
constexpr int kTreeTop = 1020;
constexpr int kButtonGap = 60;
constexpr int kButtonWidth = 885;

// The drives the list offers: the host's root is the only one.
constexpr std::u16string_view kDrives[] = {u"c:"};

int ToPixelsX(int twips) { return static_cast<int>(twips / platform::TwipsPerPixelX() + 0.5); }
int ToPixelsY(int twips) { return static_cast<int>(twips / platform::TwipsPerPixelY() + 0.5); }
int ToTwipsX(int pixels) { return static_cast<int>(pixels * platform::TwipsPerPixelX() + 0.5); }
int ToTwipsY(int pixels) { return static_cast<int>(pixels * platform::TwipsPerPixelY() + 0.5); }

QTreeWidgetItem* NewItem(const std::u16string& path, const QString& text) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kPathRole, ToQString(path));
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

std::u16string PathOf(const QTreeWidgetItem* item) {
    return FromQString(item->data(0, kPathRole).toString());
}

// The drive-form components of a directory path below its drive ('C:\a\b\' gives 'a', 'b').
std::vector<std::u16string> Components(std::u16string_view path) {
    std::vector<std::u16string> parts;
    std::size_t i = path.size() >= 2 && path[1] == u':' ? 2 : 0;
    while (i < path.size()) {
        const std::size_t end = std::min(path.find(u'\\', i), path.size());
        if (end > i) parts.emplace_back(path.substr(i, end - i));
        i = end + 1;
    }
    return parts;
}
}  // namespace

frmDlgDirectory::frmDlgDirectory(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmDlgDirectory"));
    setWindowTitle(ToQString(kTitle));
    setModal(true);

    lblDrive_ = new QLabel(ToQString(kDrive), this);
    lblDrive_->setObjectName(QStringLiteral("lblDrive"));
    drvList_ = new QComboBox(this);
    drvList_->setObjectName(QStringLiteral("drvList"));
    for (std::u16string_view d : kDrives) drvList_->addItem(ToQString(d));
    lblDrive_->setBuddy(drvList_);
    lblDirectory_ = new QLabel(ToQString(kDirectory), this);
    lblDirectory_->setObjectName(QStringLiteral("lblDirectory"));
    dirList_ = new QTreeWidget(this);
    dirList_->setObjectName(QStringLiteral("dirList"));
    dirList_->setHeaderHidden(true);
    dirList_->setUniformRowHeights(true);  // keeps a directory with many children quick
    lblDirectory_->setBuddy(dirList_);
    cmdOk_ = MakeButton(this, "cmdOk", u"O K");
    cmdCancel_ = MakeButton(this, "cmdCancel", u"取 消");
    cmdSpecial_ = MakeButton(this, "cmdSpecial", u"特殊 ...");
    cmdOk_->setDefault(true);

    connect(drvList_, &QComboBox::currentIndexChanged, this, &frmDlgDirectory::drvList_Change);
    connect(dirList_, &QTreeWidget::itemExpanded, this, &frmDlgDirectory::FillChildren);
    connect(dirList_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { item->setExpanded(true); });
    connect(cmdOk_, &QPushButton::clicked, this, &frmDlgDirectory::cmdOk_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmDlgDirectory::cmdCancel_Click);
    connect(cmdSpecial_, &QPushButton::clicked, this, &frmDlgDirectory::cmdSpecial_Click);
    SetTabOrder({drvList_, dirList_, cmdOk_, cmdCancel_, cmdSpecial_});

    setMinimumSize(ToPixelsX(kMinWidth), ToPixelsY(kMinHeight));
    resize(ToPixelsX(5400), ToPixelsY(4800));
    Form_Load();
}

void frmDlgDirectory::Form_Load() {
    using namespace VornFilePath;
    const std::u16string program_dir = platform::ProgramDirectory();
    std::u16string start = program_dir;
    const std::u16string wanted = platform::ToDriveForm(Directory);
    if (CheckPathName(wanted, false, true, true) == 0) {
        const std::u16string full = GetFullPath(wanted);
        switch (GetPathKind(full)) {
            case PathKind::File:
                start = VornFileList::GetDirectoryPart(full, u"\\");
                break;
            case PathKind::Directory:
                start = full;
                break;
            case PathKind::None:
                break;
        }
    }
    GoTo(start);
}

void frmDlgDirectory::GoTo(std::u16string_view path) {
    if (!path.empty()) SelectDrive(path[0]);
    OpenTree(path);
}

void frmDlgDirectory::SelectDrive(char16_t letter) {
    const QChar wanted = QChar(letter).toLower();
    for (int i = 0; i < drvList_->count(); ++i) {
        if (drvList_->itemText(i).at(0).toLower() != wanted) continue;
        const QSignalBlocker quiet(drvList_);
        drvList_->setCurrentIndex(i);
        return;
    }
}

void frmDlgDirectory::OpenTree(std::u16string_view path) {
    // Opening items here must not list them: that is decided below.
    const QSignalBlocker quiet(dirList_);
    dirList_->clear();
    ++generation_;
    std::u16string dir = path.size() >= 2 && path[1] == u':' ? std::u16string(path.substr(0, 2))
                                                             : std::u16string(u"C:");
    dir[0] = static_cast<char16_t>(QChar(dir[0]).toUpper().unicode());
    dir += u'\\';
    QTreeWidgetItem* item = NewItem(dir, ToQString(dir).toLower());
    dirList_->addTopLevelItem(item);
    // Only the way down is built now; the other subdirectories of the directories on the way
    // are listed once the dialog is up, so a huge directory on the way does not hold it back.
    QList<QTreeWidgetItem*> ancestors;
    for (std::u16string name : Components(path)) {
        // Shown as the disk writes it, whatever letter case the path was given in.
        platform::DirEntry entry;
        if (platform::Fs().Stat(dir + name, entry) && !entry.Name.empty()) name = entry.Name;
        QTreeWidgetItem* next = NewItem(dir + name + u'\\', ToQString(name));
        item->addChild(next);
        item->setExpanded(true);
        ancestors.append(item);
        dir = PathOf(next);
        item = next;
    }
    open_directory_ = dir;
    FillChildren(item);
    item->setExpanded(true);
    dirList_->setCurrentItem(item);
    QTimer::singleShot(0, this, [this, ancestors, generation = generation_] {
        if (generation != generation_) return;  // the tree has been rebuilt meanwhile
        // Taking children out and back loses the highlight, so it is put back.
        QTreeWidgetItem* current = dirList_->currentItem();
        for (QTreeWidgetItem* a : ancestors) FillChildren(a);
        dirList_->setCurrentItem(current);
        dirList_->scrollToItem(current);
    });
}

void frmDlgDirectory::FillChildren(QTreeWidgetItem* item) {
    if (!item || item->data(0, kFilledRole).toBool()) return;
    item->setData(0, kFilledRole, true);
    const std::u16string dir = PathOf(item);
    // Children already there (the way down to the open directory) keep their place and subtree.
    QList<QTreeWidgetItem*> known = item->takeChildren();
    auto take_known = [&known](std::u16string_view name) -> QTreeWidgetItem* {
        for (qsizetype i = 0; i < known.size(); ++i) {
            if (platform::SameFileName(FromQString(known[i]->text(0)), name))
                return known.takeAt(i);
        }
        return nullptr;
    };
    std::vector<platform::DirEntry> entries;
    QList<QTreeWidgetItem*> children;
    // A directory that cannot be listed (no permission, gone meanwhile) simply has no children.
    if (platform::Fs().List(dir + u"*", platform::kDirectory, entries) ==
        platform::ListResult::Ok) {
        for (const platform::DirEntry& e : entries) {
            if (!(e.Attributes & platform::kDirectory)) continue;
            QTreeWidgetItem* child = take_known(e.Name);
            if (!child && e.Name.starts_with(u'.')) continue;  // hidden unless on the way down
            children.append(child ? child : NewItem(dir + e.Name + u'\\', ToQString(e.Name)));
        }
    }
    children.append(known);  // on the way down but not listed: still shown
    item->addChildren(children);
    for (QTreeWidgetItem* child : children)
        if (child->childCount() > 0) child->setExpanded(true);
    if (children.isEmpty()) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void frmDlgDirectory::drvList_Change() {
    const QString text = drvList_->currentText();
    if (text.isEmpty()) return;
    const std::u16string root = FromQString(text.left(2).toUpper()) + u"\\";
    std::vector<platform::DirEntry> entries;
    if (platform::Fs().List(root + u"*", platform::kDirectory, entries) ==
        platform::ListResult::PathNotFound) {
        // Not ready: back to the system drive.
        const std::u16string system_drive =
            VornFilePath::GetSpecialDirectory(u"Windows").substr(0, 2) + u"\\";
        GoTo(system_drive);
        return;
    }
    OpenTree(root);
}

void frmDlgDirectory::cmdSpecial_Click() {
    frmDlgDirectorySpecial special(this);
    VornApp::CenterOnOwner(this, &special);
    special.exec();
    if (!frmDlgDirectorySpecial::Directory.empty()) GoTo(frmDlgDirectorySpecial::Directory);
}

void frmDlgDirectory::cmdOk_Click() {
    const QTreeWidgetItem* item = dirList_->currentItem();
    Directory = item ? PathOf(item) : open_directory_;
    accept();
}

void frmDlgDirectory::cmdCancel_Click() {
    Directory.clear();
    QDialog::reject();
}

void frmDlgDirectory::reject() { cmdCancel_Click(); }

void frmDlgDirectory::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

void frmDlgDirectory::Form_Resize() {
    const int inner_w = ToTwipsX(width());
    const int inner_h = ToTwipsY(height());
    const int list_w = inner_w - kListWidthOffset;
    const int button_x = inner_w - kButtonLeftOffset;
    auto place = [](QWidget* w, int x, int y, int width_twips, int height_px) {
        w->setGeometry(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width_twips), height_px);
    };
    place(lblDrive_, kMargin, kMargin, list_w, lblDrive_->sizeHint().height());
    place(drvList_, kMargin, kDriveTop, list_w, drvList_->sizeHint().height());
    place(lblDirectory_, kMargin, kDirLabelTop, list_w, lblDirectory_->sizeHint().height());
    dirList_->setGeometry(ToPixelsX(kMargin), ToPixelsY(kTreeTop), ToPixelsX(list_w),
                          ToPixelsY(inner_h - kTreeHeightOffset));
    const int button_h = cmdOk_->sizeHint().height();
    const int step = ToTwipsY(button_h) + kButtonGap;
    place(cmdOk_, button_x, kDriveTop, kButtonWidth, button_h);
    place(cmdCancel_, button_x, kDriveTop + step, kButtonWidth, button_h);
    place(cmdSpecial_, button_x, kDriveTop + 2 * step + kButtonGap, kButtonWidth, button_h);
}
