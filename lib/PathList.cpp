#include "lib/PathList.h"

#include <algorithm>

#include "lib/FileNameCompare.h"

namespace PathList {

using VornFileList::CompareFileNames;

bool SortPaths(PathEntries& list, std::int32_t lo, std::int32_t hi) try {
    if (lo < 0 || hi >= static_cast<std::int64_t>(list.size())) return true;
    if (hi <= lo) return false;
    // Code units order only the paths CompareFileNames calls equal, so every run lists
    // 'a.htm' and 'A.htm' in the same order.
    std::sort(list.begin() + lo, list.begin() + hi + 1,
              [](const PathEntry& a, const PathEntry& b) noexcept {
                  const int c = CompareFileNames(a.Path, b.Path);
                  return c != 0 ? c < 0 : a.Path < b.Path;
              });
    return false;
} catch (...) {
    return true;
}

std::int32_t FindPath(const PathEntries& list, std::u16string_view key, std::int32_t lo,
                      std::int32_t hi) try {
    if (list.empty() || lo < 0 || hi < lo || hi >= static_cast<std::int64_t>(list.size()))
        return -2;
    const auto begin = list.begin() + lo;
    const auto end = list.begin() + hi + 1;
    auto it = std::lower_bound(begin, end, key, [](const PathEntry& e, std::u16string_view k) {
        return CompareFileNames(e.Path, k) < 0;
    });
    if (it == end || CompareFileNames(it->Path, key) != 0) return -1;
    // Several paths may equal the key under the folding; the one written exactly as the key
    // is the file meant, so a link in the right case never looks like a case mismatch.
    for (auto exact = it; exact != end && CompareFileNames(exact->Path, key) == 0; ++exact) {
        if (exact->Path == key) return static_cast<std::int32_t>(exact - list.begin());
    }
    return static_cast<std::int32_t>(it - list.begin());
} catch (...) {
    return -2;
}

}  // namespace PathList
