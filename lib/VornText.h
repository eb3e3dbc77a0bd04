#pragma once
// Small text routines shared by several subsystems. Positions are 1-based.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace VornText {

// True when the whole text matches the pattern, in the one wildcard language of every pattern
// test: '?' one character, '*' any run, '#' one digit, '[abc]' and '[a-z]' one character of a
// set, '[!a-z]' one character outside it, a '-' first in a set standing for itself. Characters
// compare by UTF-16 code unit. A set that is never closed matches nothing. Time is bounded by
// the text length times the number of pattern elements; no backtracking beyond the last '*'.
bool Like(std::u16string_view text, std::u16string_view pattern) noexcept;

enum class CompareMode : std::uint8_t { Exact = 0, Folded = 1 };

// Index of the key in list[low..high], sorted under the mode; -1 when absent, -2 on failure
// (also for bounds outside the list).
std::int32_t SortedSearch(const std::vector<std::u16string>& list, std::u16string_view key,
                          std::int32_t low, std::int32_t high, CompareMode mode);
// The pieces between the delimiter's non-overlapping occurrences; an empty text gives one empty
// piece, an empty delimiter the whole text. 0 on success, 1 on failure (also: a text of
// delimiters only without keep_empty), and then the list holds one empty element.
std::uint8_t SplitText(std::u16string_view text, std::u16string_view delimiter,
                       std::vector<std::u16string>& list, bool keep_empty);
// The tab-separated fields as one comma-separated line; empty on failure.
std::u16string TabToCsv(std::u16string_view line);
// Number of non-overlapping replacements, left to right; 0 (nothing changed) for an empty search
// text, one longer than the text or one equal to the replacement; -1 (text unchanged) on failure.
std::int32_t ReplaceText(std::u16string& text, std::u16string_view search,
                         std::u16string_view replacement);
// First position at or after start whose character is not `character` (length + 1 when the run
// reaches the end); 0 for an empty text or a start outside it; 1 for an empty character.
std::int32_t SkipRun(std::int32_t start, std::u16string_view text, std::u16string_view character);
// A local path from a file URL or path ('file:///C|/x.htm' gives 'C:\x.htm'); empty on failure,
// for example when the drive separator comes first.
std::u16string FileUrlToPath(std::u16string_view text);
// A host name with a dot whose last label is letters only, or a dotted IPv4 address; strict also
// requires letter-or-digit labels with inner '-' only. False on any failure.
bool IsHostName(std::u16string_view text, bool strict = false);
// Same as CompareFileNames.
std::int16_t CompareFolded(std::u16string_view a, std::u16string_view b) noexcept;
// 0 on success, 1 on failure.
std::uint8_t CopyStrings(std::vector<std::u16string>& destination,
                         const std::vector<std::u16string>& source);

}  // namespace VornText
