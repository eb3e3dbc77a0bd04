#pragma once
// Services of the desktop the program runs on: opening a document with its default program, the
// one-instance lock, and the help window.
#include <QString>
#include <memory>
#include <string_view>

#include "platform/Program.h"

class QLockFile;
class QWidget;

namespace platform {

// Closes `window` when the session ends or the process is asked to terminate (SIGTERM, SIGHUP,
// SIGINT), so that it unloads as on a shutdown instead of dying with its settings unsaved.
void CloseOnTermination(QWidget* window);

// A drive-form path as the host's; empty when no host path can hold it.
QString ToHostPath(std::u16string_view drive_path);

// Prefers a Japanese font for the whole program, so that kanji shared with Chinese take their
// Japanese forms whatever the locale.
void UseJapaneseFont();

// Opens a file with the desktop's default program through a file URL; never a command line.
class DesktopShell : public Shell {
public:
    bool Open(std::u16string_view file, std::u16string_view working_directory) override;
};

// The lock that keeps a second copy of the program from running on the same settings file. A
// lock left by a process that has ended does not count.
class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();
    enum class Result { Acquired, HeldByAnother, Unavailable };
    // Unavailable when the lock file cannot be made at all (a read-only place): nobody can hold
    // it then either, so the caller may go on without it.
    Result Acquire(const QString& lock_path);
    void Release();

private:
    std::unique_ptr<QLockFile> lock_;
};

// The lock file that belongs to a settings file (host path): beside it.
QString LockPathFor(const QString& settings_file);

// The help document as a host path: beside the program, else in the installed data directory;
// the path beside the program when it is in neither place.
QString FindHelpDocument();

// Shows the help document at the topic of `context` in the program's help window, opening the
// window over `owner` when needed. False, after an error box, when the document is missing.
bool ShowHelp(QWidget* owner, const QString& document, int context);
// Closes the help window, if open.
void QuitHelp();
// The help window while open (tests).
QWidget* HelpWindow();

}  // namespace platform
