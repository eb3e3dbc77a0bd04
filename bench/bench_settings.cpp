// Times saving and loading a settings file of 10,000 check sets on the in-memory file system.
//   build/bench_settings [CHECK_SETS]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "lib/Convert.h"
#include "platform/MemoryFileSystem.h"
#include "settings/SettingsFile.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    platform::MemoryFileSystem fs;
    fs.AddDirectory(uR"(C:\prog)");
    platform::ScopedFileSystem use(fs);
    const std::u16string path = uR"(C:\prog\mokuroku.ini)";

    CheckSets sets;
    for (int i = 0; i < count; ++i) {
        CheckSet s = NewCheckSet();
        s.Name = u"set " + ToDecimal(i);
        s.LocalPath = uR"(C:\site\)" + s.Name;
        s.Url = u"http://example.com/" + s.Name + u"/";
        sets.push_back(s);
    }
    Settings settings;
    settings.SetId = count - 1;

    auto start = std::chrono::steady_clock::now();
    if (!SaveSettings(path, sets, settings, MainWindowState{})) {
        std::fprintf(stderr, "save failed\n");
        return 2;
    }
    const double save = Seconds(start);

    CheckSets loaded(1);
    Settings loaded_settings;
    MainWindowState window;
    start = std::chrono::steady_clock::now();
    const LoadResult result = LoadSettings(path, loaded, loaded_settings, window);
    const double load = Seconds(start);
    if (result != LoadResult::Loaded || static_cast<int>(window.TargetSets.size()) != count) {
        std::fprintf(stderr, "load failed\n");
        return 2;
    }
    std::printf("%d check sets: save %.3f s, load %.3f s\n", count, save, load);
    return 0;
}
