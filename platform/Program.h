#pragma once
// The program itself: its directory, name and version, the special folders of the desktop, and
// the shell that opens a document with its associated program.
#include <string>
#include <string_view>

namespace platform {

// The directory of the executable in drive form, ending with '\'. Tests set it explicitly.
std::u16string ProgramDirectory();
void SetProgramDirectory(std::u16string_view directory);

std::u16string_view ProductName();
int VersionMajor();
int VersionMinor();

// The user's configuration directory in drive form ending with '\': $XDG_CONFIG_HOME when it is
// an absolute path, otherwise ~/.config.
std::u16string UserConfigDirectory();

enum class SpecialFolder { Windows, Temp, Desktop, Documents };

// The folder in drive form ending with '\'; empty when it cannot be found.
std::u16string SpecialFolderPath(SpecialFolder folder);

// Opens documents with the desktop's default application.
class Shell {
public:
    virtual ~Shell() = default;
    // False when the document could not be handed over.
    virtual bool Open(std::u16string_view file, std::u16string_view working_directory) = 0;
};

// The shell in use; without one installed, opening does nothing and fails.
Shell* InstalledShell();

// Installs a shell for the lifetime of the object (front ends, tests).
class ScopedShell {
public:
    explicit ScopedShell(Shell& shell);
    ~ScopedShell();
    ScopedShell(const ScopedShell&) = delete;
    ScopedShell& operator=(const ScopedShell&) = delete;

private:
    Shell* previous_;
};

}  // namespace platform
