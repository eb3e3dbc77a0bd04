#include "platform/qt/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

#include "gui/QtText.h"

namespace platform {
namespace {

class DesktopMessageBoxes : public MessageBoxService {
public:
    app::BoxAnswer Show(QWidget* parent, const BoxRequest& box) override {
        QMessageBox mb(parent);
        switch (box.Icon) {
            case app::BoxIcon::Exclamation:
                mb.setIcon(QMessageBox::Warning);
                break;
            case app::BoxIcon::Question:
                mb.setIcon(QMessageBox::Question);
                break;
            case app::BoxIcon::Information:
                mb.setIcon(QMessageBox::Information);
                break;
        }
        mb.setWindowTitle(box.Title);
        // The texts keep Windows line breaks; a lone CR would show as a stray glyph.
        mb.setText(QString(box.Text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        mb.setTextFormat(Qt::PlainText);  // names from the checked site must never render as markup
        if (box.Buttons == app::BoxButtons::Ok) {
            mb.setStandardButtons(QMessageBox::Ok);
            mb.setDefaultButton(QMessageBox::Ok);
            mb.exec();
            return app::BoxAnswer::Ok;
        }
        QPushButton* yes = mb.addButton(QMessageBox::Yes);
        QPushButton* no = mb.addButton(QMessageBox::No);
        yes->setText(QStringLiteral("はい(&Y)"));
        no->setText(QStringLiteral("いいえ(&N)"));
        mb.setDefaultButton(box.Default == app::BoxAnswer::No ? no : yes);
        mb.setEscapeButton(no);
        mb.exec();
        return mb.clickedButton() == yes ? app::BoxAnswer::Yes : app::BoxAnswer::No;
    }
};

DesktopMessageBoxes desktop_boxes;
MessageBoxService* installed = nullptr;

}  // namespace

MessageBoxService& MessageBoxes() { return installed ? *installed : desktop_boxes; }

ScopedMessageBoxes::ScopedMessageBoxes(MessageBoxService& service) : previous_(installed) {
    installed = &service;
}

ScopedMessageBoxes::~ScopedMessageBoxes() { installed = previous_; }

app::BoxAnswer ShowMessageBox(QWidget* parent, const BoxRequest& box) {
    return MessageBoxes().Show(parent, box);
}

void ShowError(QWidget* parent, const QString& text, std::u16string_view title) {
    ShowMessageBox(parent, {app::BoxIcon::Exclamation, app::BoxButtons::Ok, app::BoxAnswer::Ok,
                            ToQString(title), text});
}

bool AskYesNo(QWidget* parent, const QString& title, const QString& text, bool default_no) {
    return ShowMessageBox(parent, {app::BoxIcon::Question, app::BoxButtons::YesNo,
                                   default_no ? app::BoxAnswer::No : app::BoxAnswer::Yes, title,
                                   text}) == app::BoxAnswer::Yes;
}

}  // namespace platform
