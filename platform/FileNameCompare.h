#pragma once
// The one ordering and equality of file names and paths in the system.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The folded copy of a text: when it holds a full-width Latin letter only a-z are upper-cased
// (so full-width letters never fold); otherwise every code unit gets its simple Unicode upper
// case. The length never changes.
std::u16string FoldCase(std::u16string_view text);

// -1, 0 or 1: both texts folded (each on its own), then compared by UTF-16 code unit; a prefix
// sorts first. Allocates nothing.
std::int16_t CompareFileNames(std::u16string_view a, std::u16string_view b) noexcept;

// CompareFileNames(a, b) == 0, with a quick length test first.
bool SameFileName(std::u16string_view a, std::u16string_view b) noexcept;

}  // namespace platform
