#pragma once
// Code page 932 (Microsoft's Shift_JIS, ICU "windows-31j"): the system's ANSI code page.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Decodes code page 932. An invalid or truncated double-byte sequence becomes one U+FFFD and
// never swallows a line break or an ASCII byte after it.
std::u16string Cp932ToUtf16(std::string_view bytes);

// The decoding tables, for decoders that make code page 932 bytes on the way and decode them at
// once: the character of each single byte (U+FFFD for a lead byte) and of each pair, indexed
// lead << 8 | trail (U+FFFD where the code page has none). Built on first use, never freed.
struct Cp932Tables {
    const char16_t* single;
    const char16_t* pair;
};
const Cp932Tables& Cp932Decoding();

inline bool IsCp932Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool IsCp932Trail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Encodes in code page 932; a character it cannot hold (a lone surrogate too) becomes '?'.
// `lossless`, when given, tells whether every character was held.
std::string Utf16ToCp932(std::u16string_view text, bool* lossless = nullptr);

// True when the character is held by code page 932 as a single byte below 32.
bool IsCp932Control(char16_t c);

}  // namespace platform
