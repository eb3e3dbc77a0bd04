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

// Sorts entries lo..hi by CompareFileNames. True on failure (the range may be rearranged).
bool SortPaths(PathEntries& list, std::int32_t lo, std::int32_t hi);

// Position of an entry equal to the key under CompareFileNames (the exactly equal one when
// several are); -1 when absent, -2 when the search failed (for a list starting at 0).
std::int32_t FindPath(const PathEntries& list, std::u16string_view key, std::int32_t lo,
                      std::int32_t hi);

}  // namespace PathList
