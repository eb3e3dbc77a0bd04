#pragma once
// The program itself: its directory, name and version, the special folders of the desktop, and
// the shell that opens a document with its associated program.
#include <optional>
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

// A check's tables are tens of megabytes to gigabytes, made by several threads and read in
// random order. Call first in main.
// - The heaps grow 64 MB at a time: a thread's heap would otherwise grow a few pages at a time,
//   a system call each, and never span the 2 MB a large page needs.
// - On 4 KB pages most reads of a shared text also miss the processor's address cache, and
//   every page costs a fault. The C library backs its heaps with 2 MB pages only when told so
//   in its environment at start, so the program starts itself once more with that added
//   (GLIBC_TUNABLES glibc.malloc.hugetlb=1) where the system gives large pages on request. It
//   goes on at once when there is nothing to do or the restart fails, and the restarted
//   program puts the environment back as it was, so programs started from here never see it.
//   A GLIBC_TUNABLES that names glibc.malloc.hugetlb already is left as the user set it.
void SetUpMemory(char** argv) noexcept;

// The GLIBC_TUNABLES to restart with, given its value now (null when unset) and the system's
// setting in /sys/kernel/mm/transparent_hugepage/enabled; none when a restart would not help.
std::optional<std::string> TunablesForLargePages(const char* tunables,
                                                 std::string_view system_setting);

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
