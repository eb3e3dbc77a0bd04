#pragma once
// Picks a directory from a drive list and a directory tree of drive-form paths. The tree lists
// a directory's subdirectories only when it is opened, so a huge directory costs nothing until
// the user goes into it.
#include <QDialog>
#include <string>
#include <string_view>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class frmDlgDirectory : public QDialog {
    Q_OBJECT
public:
    // The caller puts the start directory here; OK leaves the chosen directory (ending with
    // '\'), Cancel the empty string.
    static inline std::u16string Directory;

    // Reads the start directory from Directory.
    explicit frmDlgDirectory(QWidget* owner = nullptr);

    // The directory the tree has open.
    std::u16string OpenDirectory() const { return open_directory_; }

    void drvList_Change();
    void cmdSpecial_Click();
    void cmdOk_Click();
    void cmdCancel_Click();
    void Form_Resize();

    // Minimum outer size in twips.
    static constexpr int kMinWidth = 3780;
    static constexpr int kMinHeight = 2865;

protected:
    void reject() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    // Shows the drive of `path` in the drive list and opens the tree at `path`.
    void GoTo(std::u16string_view path);
    // Selects the drive list's entry for the drive letter without running drvList_Change.
    void SelectDrive(char16_t letter);
    // Rebuilds the tree from the drive's root down to `path` and makes `path` current; the
    // directories on the way are filled in later.
    void OpenTree(std::u16string_view path);
    // Lists the subdirectories of the item once, keeping the children it already has; later
    // calls do nothing.
    void FillChildren(QTreeWidgetItem* item);

    std::u16string open_directory_;
    int generation_ = 0;  // counts rebuilds of the tree
    QLabel* lblDrive_ = nullptr;
    QComboBox* drvList_ = nullptr;
    QLabel* lblDirectory_ = nullptr;
    QTreeWidget* dirList_ = nullptr;
    QPushButton* cmdOk_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdSpecial_ = nullptr;
};
