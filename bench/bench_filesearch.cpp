// Times the file search of a check run over a real tree of 100,000 files in 1,000 directories,
// then the sorted path list built from its result.
//   bench_filesearch            tree in a new temporary directory, removed afterwards
//   bench_filesearch DIR        tree in DIR/mokuroku-bench (made once, kept for later runs)
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "lib/PathList.h"
#include "lib/VornFileList.h"
#include "platform/HostPath.h"

namespace {

using Clock = std::chrono::steady_clock;
using VornFileList::StringList;
namespace fs = std::filesystem;

constexpr int kTopDirectories = 10;
constexpr int kSubdirectories = 99;  // per top directory: 10 + 990 = 1,000 directories
constexpr int kFilesPerDirectory = 100;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string FileName(int k) {
    const std::string n = std::to_string(k);
    switch (k % 4) {
        case 0:
            return "page" + n + ".htm";
        case 1:
            return "Image" + n + ".GIF";
        case 2:
            return "\xe8\xb3\x87\xe6\x96\x99" + n + ".html";  // 資料
        default:
            return "a_b" + n + ".css";
    }
}

void WriteFiles(const fs::path& dir) {
    fs::create_directories(dir);
    for (int k = 0; k < kFilesPerDirectory; ++k) std::ofstream(dir / FileName(k)) << "<p>" << k;
}

bool MakeTree(const fs::path& root) {
    std::error_code ec;
    if (fs::exists(root / "done", ec)) return true;
    std::printf("making the tree under %s ...\n", root.c_str());
    const auto t = Clock::now();
    for (int i = 0; i < kTopDirectories; ++i) {
        const fs::path top = root / ("Dir" + std::to_string(i));
        WriteFiles(top);
        for (int j = 0; j < kSubdirectories; ++j) WriteFiles(top / ("sub_" + std::to_string(j)));
    }
    std::ofstream(root / "done").close();
    // The marker is a file of the base directory; it is part of what the search finds.
    std::printf("  made in %.2f s\n", Seconds(t));
    return fs::exists(root / "done", ec);
}

// What CollectFiles and FindFiles do to each directory's files: SortUnique, then SortStrings.
double SortShare(const StringList& files, bool shuffled) {
    std::mt19937 rng(1);
    double total = 0;
    size_t i = 0;
    while (i < files.size()) {
        const size_t cut = files[i].rfind(u'\\');
        const std::u16string_view dir(files[i].data(), cut + 1);
        size_t j = i;
        while (j < files.size() && files[j].size() > cut &&
               std::u16string_view(files[j]).substr(0, cut + 1) == dir &&
               files[j].find(u'\\', cut + 1) == std::u16string::npos)
            ++j;
        StringList group(files.begin() + static_cast<std::ptrdiff_t>(i),
                         files.begin() + static_cast<std::ptrdiff_t>(j));
        if (shuffled) std::shuffle(group.begin(), group.end(), rng);
        const auto t = Clock::now();
        if (group.size() >= 2) {
            VornFileList::SortUnique(group, 0);
            VornFileList::SortStrings(group, 0, static_cast<std::int32_t>(group.size()) - 1);
        }
        total += Seconds(t);
        i = j;
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path root;
    std::string temp;
    if (argc > 1) {
        root = fs::path(argv[1]) / "mokuroku-bench";
    } else {
        const char* t = std::getenv("TMPDIR");
        temp = std::string(t && *t ? t : "/tmp") + "/mokuroku-bench-XXXXXX";
        if (!::mkdtemp(temp.data())) {
            std::perror("mkdtemp");
            return 1;
        }
        root = temp;
    }
    if (!MakeTree(fs::absolute(root))) {
        std::fprintf(stderr, "cannot make the tree under %s\n", root.c_str());
        return 1;
    }
    const std::u16string base = platform::HostToDrive(fs::absolute(root).string());
    const StringList all = {u"*"};
    const StringList none = {u""};

    StringList files;
    double best_search = 1e9;
    std::int32_t found = 0;
    for (int run = 0; run < 3; ++run) {
        files = none;
        const auto t = Clock::now();
        found = VornFileList::FindFiles(files, base, all, none, 1, all, none, 1, true, true);
        best_search = std::min(best_search, Seconds(t));
    }
    std::printf("FindFiles: %d files, best of 3 %.3f s\n", found, best_search);

    const double share = SortShare(files, false);
    const double share_shuffled = SortShare(files, true);
    StringList dirs = none;
    VornFileList::CollectDirectories(dirs, base, all, none, 1, true);
    auto t = Clock::now();
    VornFileList::SortStrings(dirs, 0, static_cast<std::int32_t>(dirs.size()) - 1);
    const double dir_sort = Seconds(t);
    std::printf(
        "  of which sorting and duplicate removal: %.3f s per-directory files (%.3f s "
        "if listings came unsorted), %.4f s for %zu directories\n",
        share, share_shuffled, dir_sort, dirs.size());

    t = Clock::now();
    PathList::PathEntries paths(files.size());
    for (size_t k = 0; k < files.size(); ++k) {
        paths[k].Path = files[k];
        paths[k].FileIndex = static_cast<std::int32_t>(k);
    }
    const double copy = Seconds(t);
    t = Clock::now();
    const bool failed = PathList::SortPaths(paths, 0, static_cast<std::int32_t>(paths.size()) - 1);
    const double sort = Seconds(t);
    t = Clock::now();
    std::int32_t hits = 0;
    for (const auto& f : files)
        hits += PathList::FindPath(paths, f, 0, static_cast<std::int32_t>(paths.size()) - 1) >= 0;
    const double lookups = Seconds(t);
    std::printf("path list: copy %.3f s, SortPaths %.3f s%s, %d lookups %.3f s\n", copy, sort,
                failed ? " (FAILED)" : "", hits, lookups);

    if (!temp.empty()) {
        std::error_code ec;
        fs::remove_all(temp, ec);
    }
    return failed || found != kTopDirectories * (kSubdirectories + 1) * kFilesPerDirectory + 1;
}
