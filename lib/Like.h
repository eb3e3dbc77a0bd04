#pragma once
// The one wildcard language of every pattern test: '?' one character, '*' any run, '#' one
// digit, '[abc]' and '[a-z]' one character of a set, '[!a-z]' one character outside it, a '-'
// first in a set standing for itself. Characters compare by UTF-16 code unit; the whole text
// must match.
#include <string_view>

namespace VornText {

// True when the whole text matches the pattern. A set that is never closed matches nothing.
// Time is bounded by the text length times the number of pattern elements; no backtracking
// beyond the last '*'.
bool Like(std::u16string_view text, std::u16string_view pattern) noexcept;

}  // namespace VornText
