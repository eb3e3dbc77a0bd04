#include "platform/Cp932.h"

#include <unicode/ucnv.h>
#include <unicode/uset.h>

#include <algorithm>
#include <array>
#include <memory>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

inline bool IsLead(unsigned char b) { return IsCp932Lead(b); }
inline bool IsTrail(unsigned char b) { return IsCp932Trail(b); }

// Decoding tables built once from ICU, so the hot loop never calls into the converter.
struct Tables {
    std::array<char16_t, 256> single{};                 // kReplacement for lead bytes
    std::unique_ptr<char16_t[]> pair{new char16_t[0x10000]};  // by lead << 8 | trail
};

const Tables& DecodeTables() {
    static const std::unique_ptr<Tables> tables = [] {
        auto t = std::make_unique<Tables>();
        std::fill(t->pair.get(), t->pair.get() + 0x10000, kReplacement);
        UErrorCode status = U_ZERO_ERROR;
        UConverter* cnv = ucnv_open("windows-31j", &status);
        auto decode = [&](const char* src, int32_t len) -> char16_t {
            UChar buf[4];
            UErrorCode st = U_ZERO_ERROR;
            ucnv_reset(cnv);
            ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &st);
            const int32_t n = ucnv_toUChars(cnv, buf, 4, src, len, &st);
            return (U_SUCCESS(st) && n == 1) ? buf[0] : kReplacement;
        };
        for (int b = 0; b < 256; ++b) {
            if (IsLead(static_cast<unsigned char>(b))) {
                t->single[b] = kReplacement;
                continue;
            }
            const char c = static_cast<char>(b);
            t->single[b] = (b < 0x80) ? static_cast<char16_t>(b) : (cnv ? decode(&c, 1) : kReplacement);
        }
        if (cnv) {
            for (int lead = 0x81; lead <= 0xFC; ++lead) {
                if (!IsLead(static_cast<unsigned char>(lead))) continue;
                for (int trail = 0x40; trail <= 0xFC; ++trail) {
                    if (!IsTrail(static_cast<unsigned char>(trail))) continue;
                    const char src[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                    t->pair[lead << 8 | trail] = decode(src, 2);
                }
            }
            ucnv_close(cnv);
        }
        return t;
    }();
    return *tables;
}

constexpr std::uint16_t kUnheld = 0xFFFF;

// Code of every BMP character in the code page (one byte below 0x100, else lead << 8 | trail),
// kUnheld where it has none; built once with ICU's preferred mappings.
const std::uint16_t* EncodeTable() {
    static const std::unique_ptr<std::uint16_t[]> table = [] {
        auto t = std::make_unique<std::uint16_t[]>(0x10000);
        std::fill(t.get(), t.get() + 0x10000, kUnheld);
        for (int c = 0; c < 0x80; ++c) t[c] = static_cast<std::uint16_t>(c);
        UErrorCode status = U_ZERO_ERROR;
        UConverter* cnv = ucnv_open("windows-31j", &status);
        if (!cnv) return t;
        // Only characters the converter has some mapping for can be held; asking for those
        // alone spares tens of thousands of calls into ICU. Without the set, every one is asked.
        std::vector<std::pair<UChar32, UChar32>> ranges;
        if (USet* set = uset_openEmpty()) {
            UErrorCode st = U_ZERO_ERROR;
            ucnv_getUnicodeSet(cnv, set, UCNV_ROUNDTRIP_AND_FALLBACK_SET, &st);
            const std::int32_t items = U_SUCCESS(st) ? uset_getItemCount(set) : 0;
            for (std::int32_t k = 0; k < items && U_SUCCESS(st); ++k) {
                UChar32 first = 0, last = 0;
                if (uset_getItem(set, k, &first, &last, nullptr, 0, &st) == 0 && U_SUCCESS(st))
                    ranges.emplace_back(first, last);
            }
            uset_close(set);
            if (U_FAILURE(st)) ranges.clear();
        }
        if (ranges.empty()) ranges.emplace_back(0x80, 0xFFFF);
        for (const auto& [first, last] : ranges) {
            for (UChar32 c = std::max<UChar32>(first, 0x80); c <= std::min<UChar32>(last, 0xFFFF);
                 ++c) {
                if (c >= 0xD800 && c <= 0xDFFF) continue;
                const UChar u = static_cast<UChar>(c);
                char buf[8];
                UErrorCode st = U_ZERO_ERROR;
                ucnv_reset(cnv);
                ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                                      &st);
                const int32_t n = ucnv_fromUChars(cnv, buf, sizeof buf, &u, 1, &st);
                if (U_FAILURE(st)) continue;
                if (n == 1) t[c] = static_cast<unsigned char>(buf[0]);
                else if (n == 2)
                    t[c] = static_cast<std::uint16_t>(static_cast<unsigned char>(buf[0]) << 8 |
                                                      static_cast<unsigned char>(buf[1]));
            }
        }
        ucnv_close(cnv);
        return t;
    }();
    return table.get();
}

}  // namespace

const Cp932Tables& Cp932Decoding() {
    static const Cp932Tables tables{DecodeTables().single.data(), DecodeTables().pair.get()};
    return tables;
}

std::u16string Cp932ToUtf16(std::string_view bytes) {
    const Tables& t = DecodeTables();
    std::u16string out;
    // Reserved rather than resized: double-byte text needs only half of it, and pages that are
    // never written cost no memory. The characters go through a small buffer on the stack.
    out.reserve(bytes.size());
    constexpr size_t kChunk = 4096;
    char16_t chunk[kChunk];
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        // Each step writes one character and uses at least one byte.
        const size_t end = std::min(n, i + kChunk);
        size_t o = 0;
        while (i < end) {
            const unsigned char b = p[i];
            if (b < 0x80) {
                chunk[o++] = b;
                ++i;
            } else if (!IsLead(b)) {
                chunk[o++] = t.single[b];
                ++i;
            } else if (i + 1 < n && IsTrail(p[i + 1])) {
                const char16_t c = t.pair[b << 8 | p[i + 1]];
                chunk[o++] = c;
                // An unmapped pair whose second byte is ASCII gives that byte back to the text.
                i += (c == kReplacement && p[i + 1] < 0x80) ? 1 : 2;
            } else {
                chunk[o++] = kReplacement;
                ++i;
            }
        }
        out.append(chunk, o);
    }
    return out;
}

std::string Utf16ToCp932(std::u16string_view text, bool* lossless) {
    const std::uint16_t* table = EncodeTable();
    bool held = true;
    // At most two bytes a character; written through a pointer, as logs of megabytes go here.
    std::string out(text.size() * 2, '\0');
    char* o = out.data();
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const std::uint16_t code = table[c];
        if (code == kUnheld) {
            // Surrogates land here too: the code page holds nothing outside the BMP. A pair is
            // one character, so it becomes one '?'.
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                ++i;
            *o++ = '?';
            held = false;
        } else if (code > 0xFF) {
            *o++ = static_cast<char>(code >> 8);
            *o++ = static_cast<char>(code & 0xFF);
        } else {
            *o++ = static_cast<char>(code);
        }
    }
    out.resize(static_cast<size_t>(o - out.data()));
    if (lossless) *lossless = held;
    return out;
}

bool IsCp932Control(char16_t c) {
    return EncodeTable()[c] < 32;
}

}  // namespace platform
