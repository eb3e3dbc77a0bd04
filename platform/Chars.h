#pragma once
// Character classes that the path, text and HTML routines share. ASCII only: the system's
// patterns and markup never treat other characters as letters, digits or blanks.
#include <cstdint>
#include <string_view>

constexpr bool IsAsciiLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
constexpr bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
// Space, tab, CR and LF: what separates the parts of a tag.
// One comparison and one bit test: it runs for every character of every tag.
constexpr bool IsBlank(char16_t c) {
    constexpr std::uint64_t kBlanks =
        std::uint64_t{1} << u' ' | std::uint64_t{1} << u'\t' | std::uint64_t{1} << u'\r' |
        std::uint64_t{1} << u'\n';
    return c <= u' ' && ((kBlanks >> c) & 1) != 0;
}
constexpr bool IsPathSeparator(char16_t c) { return c == u'\\' || c == u'/'; }
constexpr char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}
constexpr char16_t AsciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// True when `text` is `word` (lower-case ASCII letters) in any mix of ASCII letter case: what the
// pattern "[Hh][Rr][Ee][Ff]" matches, without a pattern to interpret for every tag.
constexpr bool IsAsciiWord(std::u16string_view text, std::u16string_view word) {
    if (text.size() != word.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (AsciiLower(text[i]) != word[i]) return false;
    return true;
}
