#pragma once
// Character classes that the path, text and HTML routines share. ASCII only: the system's
// patterns and markup never treat other characters as letters, digits or blanks.

constexpr bool IsAsciiLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
constexpr bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
// Space, tab, CR and LF: what separates the parts of a tag.
constexpr bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
constexpr bool IsPathSeparator(char16_t c) { return c == u'\\' || c == u'/'; }
constexpr char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}
constexpr char16_t AsciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}
