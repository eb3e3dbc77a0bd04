#pragma once
// The sorted list of every found file, for binary search by path.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace PathList {

struct PathEntry {
    std::u16string Path;         // full path as the file search produced it
    std::int32_t FileIndex = 0;  // index of the same file in the file table
};

using PathEntries = std::vector<PathEntry>;

// Sorts entries lo..hi by CompareFileNames (paths it calls equal by code unit), moving path and
// index together. True on failure: bounds outside the list (the range is then left as it was).
bool SortPaths(PathEntries& list, std::int32_t lo, std::int32_t hi);

// Position of an entry equal to the key under CompareFileNames in the sorted range lo..hi (the
// one spelt exactly as the key when several are); -1 when absent, -2 on failure (empty list,
// bounds outside it).
std::int32_t FindPath(const PathEntries& list, std::u16string_view key, std::int32_t lo,
                      std::int32_t hi);

}  // namespace PathList
