#include "lib/PathList.h"

#include <algorithm>

#include "lib/VornFileList.h"

namespace PathList {

using VornFileList::CompareFileNames;

bool SortPaths(PathEntries& list, std::int32_t lo, std::int32_t hi) try {
    if (lo < 0 || hi >= static_cast<std::int64_t>(list.size())) return true;
    if (hi <= lo) return false;
    const auto begin = list.begin() + lo;
    const auto end = list.begin() + hi + 1;
    // Code units order only the paths CompareFileNames calls equal, so every run lists
    // 'a.htm' and 'A.htm' in the same order.
    const auto before = [](const std::u16string& a, const std::u16string& b) noexcept {
        const int c = CompareFileNames(a, b);
        return c != 0 ? c < 0 : a < b;
    };
    if (std::is_sorted(begin, end, [&](const PathEntry& a, const PathEntry& b) noexcept {
            return before(a.Path, b.Path);
        }))
        return false;
    // CompareFileNames is the code-unit order of the folded texts, so folding every path once
    // gives the same order as folding both sides of every comparison, at a fraction of the cost.
    struct Key {
        std::u16string folded;
        std::int32_t at;
    };
    std::vector<Key> keys;
    keys.reserve(static_cast<std::size_t>(hi - lo + 1));
    for (std::int32_t i = lo; i <= hi; ++i)
        keys.push_back({VornFileList::FoldCase(list[i].Path), i});
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) noexcept {
        const int c = a.folded.compare(b.folded);
        return c != 0 ? c < 0 : list[a.at].Path < list[b.at].Path;
    });
    // Everything that can fail is done before the first entry moves.
    PathEntries sorted;
    sorted.reserve(keys.size());
    for (const Key& k : keys) sorted.push_back(std::move(list[k.at]));
    std::move(sorted.begin(), sorted.end(), begin);
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
