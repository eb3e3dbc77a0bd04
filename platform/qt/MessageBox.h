#pragma once
// Message boxes of the desktop program. Every box goes through the installed service, so that
// tests record what was shown and answer from a script without opening a window.
#include <QString>
#include <string_view>

#include "app/CheckRun.h"

class QWidget;

namespace platform {

// Texts shared by several forms.
inline constexpr std::u16string_view kErrorTitle = u"エラー";
inline constexpr std::u16string_view kConfirmTitle = u"確認";

struct BoxRequest {
    app::BoxIcon Icon = app::BoxIcon::Exclamation;
    app::BoxButtons Buttons = app::BoxButtons::Ok;
    app::BoxAnswer Default = app::BoxAnswer::Ok;  // Yes or No for a Yes/No box
    QString Title;
    QString Text;
};

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows the box modally over `parent` (may be null) and returns the button chosen; Escape
    // and the close box answer No to a question.
    virtual app::BoxAnswer Show(QWidget* parent, const BoxRequest& box) = 0;
};

// The installed service; QMessageBox when none is installed.
MessageBoxService& MessageBoxes();

// Installs a service for the lifetime of the object (tests).
class ScopedMessageBoxes {
public:
    explicit ScopedMessageBoxes(MessageBoxService& service);
    ~ScopedMessageBoxes();
    ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
    ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

private:
    MessageBoxService* previous_;
};

// What forms call.
app::BoxAnswer ShowMessageBox(QWidget* parent, const BoxRequest& box);
// Exclamation icon, the given title ("エラー" by default), OK.
void ShowError(QWidget* parent, const QString& text, std::u16string_view title = kErrorTitle);
// Question icon, Yes/No; true for Yes.
bool AskYesNo(QWidget* parent, const QString& title, const QString& text, bool default_no = false);

}  // namespace platform
