#include "platform/Program.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/HostPath.h"
#include "platform/Text.h"

#ifndef MOKUROKU_VERSION_MAJOR
#define MOKUROKU_VERSION_MAJOR 1
#define MOKUROKU_VERSION_MINOR 0
#endif

namespace platform {
namespace {

std::u16string& ProgramDirectoryOverride() {
    static std::u16string dir;
    return dir;
}

Shell* installed_shell = nullptr;

std::u16string WithBackslash(std::u16string s) {
    if (s.empty() || s.back() != u'\\') s += u'\\';
    return s;
}

std::string XdgConfigHome() {
    // Relative values are invalid by the XDG rules and are ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    return config && *config == '/' ? std::string(config) : HomeDirectory() + "/.config";
}

// Reads XDG_<NAME>_DIR from user-dirs.dirs: 'XDG_DESKTOP_DIR="$HOME/Desktop"'.
std::string XdgUserDir(const std::string& key, const std::string& fallback) {
    const std::string file = XdgConfigHome() + "/user-dirs.dirs";
    std::ifstream in(file);
    std::string line;
    const std::string prefix = "XDG_" + key + "_DIR=";
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        std::string v = line.substr(prefix.size());
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        if (v.compare(0, 5, "$HOME") == 0) v = HomeDirectory() + v.substr(5);
        if (!v.empty() && v[0] == '/') return v;
    }
    return HomeDirectory() + "/" + fallback;
}

}  // namespace

std::u16string ProgramDirectory() {
    if (!ProgramDirectoryOverride().empty()) return ProgramDirectoryOverride();
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return u"C:\\";
    std::string exe(buf, static_cast<size_t>(n));
    exe = exe.substr(0, exe.find_last_of('/') + 1);
    return WithBackslash(HostToDrive(exe.empty() ? "/" : exe));
}

void SetProgramDirectory(std::u16string_view directory) {
    ProgramDirectoryOverride() = directory.empty() ? std::u16string() :
                                 WithBackslash(ToDriveForm(directory));
}

std::u16string_view ProductName() { return u"Mokuroku"; }
int VersionMajor() { return MOKUROKU_VERSION_MAJOR; }
int VersionMinor() { return MOKUROKU_VERSION_MINOR; }

std::u16string UserConfigDirectory() try {
    return WithBackslash(HostToDrive(XdgConfigHome()));
} catch (...) {
    return {};
}

std::u16string SpecialFolderPath(SpecialFolder folder) try {
    std::string host;
    switch (folder) {
        case SpecialFolder::Windows:
            return u"C:\\";
        case SpecialFolder::Temp: {
            const char* t = std::getenv("TMPDIR");
            host = t && *t == '/' ? t : "/tmp";
            break;
        }
        case SpecialFolder::Desktop:
            host = XdgUserDir("DESKTOP", "Desktop");
            break;
        case SpecialFolder::Documents:
            host = XdgUserDir("DOCUMENTS", "Documents");
            break;
    }
    return WithBackslash(HostToDrive(host));
} catch (...) {
    return {};
}

namespace {

constexpr char kTunables[] = "GLIBC_TUNABLES";
constexpr std::string_view kLargePages = "glibc.malloc.hugetlb=1";
// Set for the restarted program only: '-' when GLIBC_TUNABLES was unset, else '=' and its value.
constexpr char kTunablesBefore[] = "MOKUROKU_TUNABLES_BEFORE";

}  // namespace

std::optional<std::string> TunablesForLargePages(const char* tunables,
                                                 std::string_view system_setting) {
    // "always" gives large pages unasked; "never" refuses them however asked.
    if (system_setting.find("[madvise]") == system_setting.npos) return std::nullopt;
    const std::string_view now = tunables ? tunables : "";
    if (now.find("glibc.malloc.hugetlb") != now.npos) return std::nullopt;
    std::string value(now);
    if (!value.empty()) value += ':';
    value += kLargePages;
    return value;
}

void SetUpMemory(char** argv) noexcept try {
    ::mallopt(M_TOP_PAD, 64 << 20);
    if (const char* before = std::getenv(kTunablesBefore)) {
        // The restarted program: the C library has read its settings by now.
        if (*before == '=')
            ::setenv(kTunables, before + 1, 1);
        else
            ::unsetenv(kTunables);
        ::unsetenv(kTunablesBefore);
        return;
    }
    std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
    std::stringstream setting;
    setting << in.rdbuf();
    const char* now = std::getenv(kTunables);
    const std::optional<std::string> tunables = TunablesForLargePages(now, setting.str());
    if (!tunables || !argv || !argv[0]) return;
    // The program's own file by name, so that the system names the process after it as before
    // (ps, top, pkill); a file replaced since the start is not started in its place.
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0 || std::string_view(exe, static_cast<std::size_t>(n)).ends_with(" (deleted)"))
        return;
    exe[n] = '\0';
    const std::string before = now ? std::string("=") + now : std::string("-");
    if (::setenv(kTunablesBefore, before.c_str(), 1) != 0) return;
    if (::setenv(kTunables, tunables->c_str(), 1) == 0) ::execv(exe, argv);
    // Not restarted: on as before, with the environment as it was.
    if (now)
        ::setenv(kTunables, before.c_str() + 1, 1);
    else
        ::unsetenv(kTunables);
    ::unsetenv(kTunablesBefore);
} catch (...) {
}

Shell* InstalledShell() { return installed_shell; }

ScopedShell::ScopedShell(Shell& shell) : previous_(installed_shell) { installed_shell = &shell; }
ScopedShell::~ScopedShell() { installed_shell = previous_; }

}  // namespace platform
