#pragma once
// Picks one of the special folders (desktop, documents, the Windows directory, temp) by name.
#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QPushButton;

class frmDlgDirectorySpecial : public QDialog {
    Q_OBJECT
public:
    // The chosen folder ending with '\'; emptied when the dialog loads, so it stays empty unless
    // the user chooses an entry.
    static inline std::u16string Directory;

    struct SpecialFolder {
        std::u16string DisplayName;
        std::u16string Path;
    };
    // The folders in the order they are offered.
    static std::vector<SpecialFolder> SpecialFolders();

    explicit frmDlgDirectorySpecial(QWidget* owner = nullptr);

    void lstDirectory_DblClick();
    void cmdOk_Click();
    void cmdCancel_Click();

protected:
    void reject() override;

private:
    void Form_Load();

    std::vector<SpecialFolder> folders_;
    QListWidget* lstDirectory_ = nullptr;
    QPushButton* cmdOk_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};
