#pragma once
// Pieces the settings dialogs and the directory chooser are built from: buttons placed by hand
// in a row the layout keeps free, fixed dialog sizes, control-array names, tab order.
#include <QString>
#include <initializer_list>
#include <limits>
#include <string_view>

class QBoxLayout;
class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

// A text box holds what a person pastes into it, however long; Qt's default cuts at 32767.
inline constexpr int kTextBoxMaxLength = std::numeric_limits<int>::max();

// "chkFileOption(1)": the objectName of element `index` of a control array.
QString ControlArrayName(const char* name, int index);

// A button with its design name and caption, a child of `dialog` outside any layout.
QPushButton* MakeButton(QWidget* dialog, const char* name, std::u16string_view caption);

// A text box with its design name, long texts allowed.
QLineEdit* MakeTextBox(QWidget* parent, const char* name);

// Keeps a strip as high as `button` free at the bottom of the layout for the button row.
void ReserveButtonRow(QBoxLayout* layout, QPushButton* button);

// Top edge of the button row inside the dialog.
int ButtonRowTop(const QWidget* dialog, const QPushButton* button);

// Sizes the dialog to its contents and keeps it at that size.
void FixDialogSize(QDialog* dialog);

// Cancel centred in the dialog's width, OK directly left of it and Help directly right.
void CenterButtonRow(QWidget* dialog, QPushButton* ok, QPushButton* cancel, QPushButton* help);

// Tab order in the given (visual) order.
void SetTabOrder(std::initializer_list<QWidget*> widgets);

// The "..." button of a directory box: the box loses surrounding blanks and quotes (and a host
// path becomes drive form), the chooser starts there, and a chosen directory replaces the text
// with a trailing '\'. Cancel leaves the box as it is.
void ChooseDirectoryInto(QWidget* owner, QLineEdit* box);

// Opens the help document at a context number over `owner`: the hook when one is installed
// (tests), else the program's help window.
inline void (*OpenHelpContext)(QWidget* owner, int context) = nullptr;
void ShowHelpContext(QWidget* owner, int context);
