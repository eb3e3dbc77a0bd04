// The settings loader with the migration of an old file: any bytes load without a crash, and
// what was loaded and saved once survives further saves and loads unchanged.
#include <cstdlib>

#include "fuzz/FuzzInput.h"
#include "platform/MemoryFileSystem.h"
#include "settings/SettingsFile.h"

namespace {

constexpr std::u16string_view kPath = uR"(C:\prog\mokuroku.ini)";

struct Loaded {
    CheckSets sets{1};
    Settings settings;
    MainWindowState window;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    fs.AddFile(kPath, fuzz::Bytes(data, size));

    Loaded first;
    LoadSettings(kPath, first.sets, first.settings, first.window);
    std::string before;
    fs.Contents(kPath, before);
    // Loading reads; it may take an old file over, but never leaves it cut or emptied.
    if (before.empty() && size > 0) std::abort();

    // A migrated file may read differently once saved in the current format (a list kept as
    // one old value is split when read back), so the fixed point is the second load.
    if (!SaveSettings(kPath, first.sets, first.settings, first.window)) return 0;
    Loaded second;
    LoadSettings(kPath, second.sets, second.settings, second.window);
    if (!SaveSettings(kPath, second.sets, second.settings, second.window)) std::abort();
    Loaded third;
    LoadSettings(kPath, third.sets, third.settings, third.window);
    std::size_t n = 0;
    while (n < second.sets.size() && !second.sets[n].Name.empty()) ++n;
    for (std::size_t k = 0; k < n; ++k) {
        if (k >= third.sets.size() || !(third.sets[k] == second.sets[k])) std::abort();
    }
    if (third.window.TargetSets != second.window.TargetSets) std::abort();
    return 0;
}
