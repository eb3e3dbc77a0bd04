#include "platform/FileNameCompare.h"
#include "platform/Chars.h"

#include <unicode/uchar.h>

#include <array>
#include <memory>

namespace platform {
namespace {

// Simple upper case of every BMP code unit, built once from ICU; surrogates map to themselves,
// so a supplementary character is never changed and lengths stay.
const char16_t* UpperTable() {
    static const std::unique_ptr<char16_t[]> table = [] {
        auto t = std::make_unique<char16_t[]>(0x10000);
        for (char32_t c = 0; c < 0x10000; ++c) {
            UChar32 u = (c >= 0xD800 && c <= 0xDFFF) ? static_cast<UChar32>(c) : u_toupper(c);
            t[c] = (u >= 0 && u < 0x10000) ? static_cast<char16_t>(u) : static_cast<char16_t>(c);
        }
        return t;
    }();
    return table.get();
}

bool HasFullWidthLetter(std::u16string_view s) noexcept {
    for (char16_t c : s) {
        if ((c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A)) return true;
    }
    return false;
}


}  // namespace

std::u16string FoldCase(std::u16string_view text) {
    std::u16string out(text);
    if (HasFullWidthLetter(text)) {
        for (char16_t& c : out) c = AsciiUpper(c);
    } else {
        const char16_t* upper = UpperTable();
        for (char16_t& c : out) c = upper[c];
    }
    return out;
}

std::int16_t CompareFileNames(std::u16string_view a, std::u16string_view b) noexcept {
    const char16_t* upper = UpperTable();
    const bool ascii_only_a = HasFullWidthLetter(a);
    const bool ascii_only_b = HasFullWidthLetter(b);
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = ascii_only_a ? AsciiUpper(a[i]) : upper[a[i]];
        const char16_t y = ascii_only_b ? AsciiUpper(b[i]) : upper[b[i]];
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool SameFileName(std::u16string_view a, std::u16string_view b) noexcept {
    return a.size() == b.size() && CompareFileNames(a, b) == 0;
}

}  // namespace platform
