#include "dialogs/FormParts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <vector>

#include "app/VornApp.h"
#include "dialogs/frmDlgDirectory.h"
#include "gui/QtText.h"
#include "lib/VornFilePath.h"
#include "platform/HostPath.h"
#include "platform/qt/Desktop.h"

QString ControlArrayName(const char* name, int index) {
    return QString::fromLatin1(name) + u'(' + QString::number(index) + u')';
}

QPushButton* MakeButton(QWidget* dialog, const char* name, std::u16string_view caption) {
    auto* button = new QPushButton(ToQString(caption), dialog);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->adjustSize();
    // Buttons of one row share one width, so the row looks even whatever the captions.
    button->resize(std::max(button->width(), 84), button->height());
    return button;
}

QLineEdit* MakeTextBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaxLength(kTextBoxMaxLength);
    return box;
}

void ReserveButtonRow(QBoxLayout* layout, QPushButton* button) {
    layout->addSpacing(button->height() + layout->spacing() + 4);
}

int ButtonRowTop(const QWidget* dialog, const QPushButton* button) {
    const int bottom_margin = dialog->layout() ? dialog->layout()->contentsMargins().bottom() : 8;
    return dialog->height() - bottom_margin - button->height();
}

void FixDialogSize(QDialog* dialog) {
    dialog->layout()->activate();
    dialog->setFixedSize(dialog->sizeHint());
}

void CenterButtonRow(QWidget* dialog, QPushButton* ok, QPushButton* cancel, QPushButton* help) {
    const int y = ButtonRowTop(dialog, cancel);
    cancel->move((dialog->width() - cancel->width()) / 2, y);
    ok->move(cancel->x() - ok->width(), y);
    help->move(cancel->x() + cancel->width(), y);
}

void SetTabOrder(std::initializer_list<QWidget*> widgets) {
    const std::vector<QWidget*> order(widgets);
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void ChooseDirectoryInto(QWidget* owner, QLineEdit* box) {
    box->setText(ToQString(
        platform::ToDriveForm(VornFilePath::TrimBlanksAndQuotes(FromQString(box->text())))));
    frmDlgDirectory::Directory = FromQString(box->text());
    frmDlgDirectory chooser(owner);
    VornApp::CenterOnOwner(owner, &chooser);
    chooser.exec();
    std::u16string chosen = frmDlgDirectory::Directory;
    if (chosen.empty()) return;
    if (!chosen.ends_with(u'\\')) chosen += u'\\';
    box->setText(ToQString(chosen));
}

void ShowHelpContext(QWidget* owner, int context) {
    if (OpenHelpContext) {
        OpenHelpContext(owner, context);
    } else {
        platform::ShowHelp(owner, platform::FindHelpDocument(), context);
    }
}
