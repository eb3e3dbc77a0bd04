#include "dialogs/frmDlgDirectorySpecial.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/FormParts.h"
#include "gui/QtText.h"
#include "lib/VornFilePath.h"

namespace {
constexpr std::u16string_view kTitle = u"特殊ディレクトリの指定";
}  // namespace

std::vector<frmDlgDirectorySpecial::SpecialFolder> frmDlgDirectorySpecial::SpecialFolders() {
    using VornFilePath::GetSpecialDirectory;
    return {{u"デスクトップ", GetSpecialDirectory(u"Desktop")},
            {u"マイ ドキュメント", GetSpecialDirectory(u"MyDocument")},
            {u"Windows", GetSpecialDirectory(u"Windows")},
            {u"Temp", GetSpecialDirectory(u"Temp")}};
}

frmDlgDirectorySpecial::frmDlgDirectorySpecial(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmDlgDirectorySpecial"));
    setWindowTitle(ToQString(kTitle));
    setModal(true);

    lstDirectory_ = new QListWidget(this);
    lstDirectory_->setObjectName(QStringLiteral("lstDirectory"));
    lstDirectory_->setAccessibleName(ToQString(kTitle));
    cmdOk_ = MakeButton(this, "cmdOk", u"O K");
    cmdCancel_ = MakeButton(this, "cmdCancel", u"取 消");
    cmdOk_->setDefault(true);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOk_);
    buttons->addWidget(cmdCancel_);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lstDirectory_, 1);
    layout->addLayout(buttons);

    connect(lstDirectory_, &QListWidget::itemDoubleClicked, this,
            &frmDlgDirectorySpecial::lstDirectory_DblClick);
    connect(cmdOk_, &QPushButton::clicked, this, &frmDlgDirectorySpecial::cmdOk_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmDlgDirectorySpecial::cmdCancel_Click);
    SetTabOrder({lstDirectory_, cmdOk_, cmdCancel_});
    resize(320, 160);
    Form_Load();
}

void frmDlgDirectorySpecial::Form_Load() {
    folders_ = SpecialFolders();
    for (const SpecialFolder& f : folders_) lstDirectory_->addItem(ToQString(f.DisplayName));
    Directory.clear();
}

void frmDlgDirectorySpecial::cmdOk_Click() {
    const int row = lstDirectory_->currentRow();
    if (row >= 0 && row < static_cast<int>(folders_.size()) &&
        lstDirectory_->currentItem()->isSelected())
        Directory = folders_[static_cast<std::size_t>(row)].Path;
    accept();
}

void frmDlgDirectorySpecial::lstDirectory_DblClick() { cmdOk_Click(); }

void frmDlgDirectorySpecial::cmdCancel_Click() { QDialog::reject(); }

void frmDlgDirectorySpecial::reject() { cmdCancel_Click(); }
