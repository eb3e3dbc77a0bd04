#pragma once
// Word-at-a-time loops over the bytes and characters of a page: widening an ASCII run, finding
// a character, counting line breaks. Every byte of every page passes through them, so they look
// at sixteen bytes at once where the processor can (SSE2 is part of x86-64) and fall back to a
// plain loop elsewhere.
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace TextScan {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Widens bytes into characters up to the first one that is not plain ASCII text: a byte of
// 0x80 or more, CR, LF or ESC, which the decoders handle one by one. Returns how many were
// widened. It may write up to `n` characters at `out` whatever it returns, so the caller needs
// room for all of them.
inline std::size_t WidenAscii(const unsigned char* p, std::size_t n, char16_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i esc = _mm_set1_epi8(0x1B);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
        const __m128i special = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)),
            _mm_or_si128(_mm_cmpeq_epi8(v, esc), v));  // v adds its own high bits
        const int mask = _mm_movemask_epi8(special);
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    for (; i < n; ++i) {
        const unsigned char b = p[i];
        if (b >= 0x80 || b == '\r' || b == '\n' || b == 0x1B) break;
        out[i] = b;
    }
    return i;
}

// How many bytes at p are below 0x80.
inline std::size_t AsciiSpan(const unsigned char* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const int mask =
            _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    while (i < n && p[i] < 0x80) ++i;
    return i;
}

// How many bytes at p are ASCII text: 0x07..0x7F but ESC, what tells nothing of an encoding.
inline std::size_t PlainSpan(const unsigned char* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    // Signed, bytes from 0x80 are below 7 too.
    const __m128i seven = _mm_set1_epi8(7);
    const __m128i esc = _mm_set1_epi8(0x1B);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int mask =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmplt_epi8(v, seven), _mm_cmpeq_epi8(v, esc)));
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    while (i < n && p[i] >= 7 && p[i] < 0x80 && p[i] != 0x1B) ++i;
    return i;
}

// Index of the first `c` in p[from, n), or kNotFound.
// The loop of the decoders that need no state between characters: ASCII runs are widened at
// once, each line break becomes CR LF, and every other byte goes to `decode(i, out)`, which
// writes the character at p[i] and returns the index after it. Returns the end of the output,
// which needs room for two characters a byte.
template <class Decode>
char16_t* DecodeRuns(const unsigned char* p, std::size_t n, char16_t* out, Decode decode) {
    std::size_t i = 0;
    while (i < n) {
        const std::size_t run = WidenAscii(p + i, n - i, out);
        i += run;
        out += run;
        // Japanese text comes in runs: stay here until the next ASCII byte.
        while (i < n) {
            const unsigned char b = p[i];
            if (b < 0x80) {
                if (b == '\r' || b == '\n') {
                    out[0] = u'\r';
                    out[1] = u'\n';
                    out += 2;
                    i += b == '\r' && i + 1 < n && p[i + 1] == '\n' ? 2 : 1;
                } else {
                    *out++ = b;
                    ++i;
                }
                break;
            }
            i = decode(i, out);
        }
    }
    return out;
}

// Index of the first of `a`, `b` or `c` in p[from, n), or kNotFound.
inline std::size_t FindAny(const char16_t* p, std::size_t n, std::size_t from, char16_t a,
                           char16_t b, char16_t c) {
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi16(static_cast<short>(a));
    const __m128i second = _mm_set1_epi16(static_cast<short>(b));
    const __m128i third = _mm_set1_epi16(static_cast<short>(c));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int mask = _mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, first), _mm_cmpeq_epi16(v, second)),
                         _mm_cmpeq_epi16(v, third)));
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask)) / 2;
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == a || p[i] == b || p[i] == c) return i;
    }
    return kNotFound;
}

inline std::size_t FindChar(const char16_t* p, std::size_t n, std::size_t from, char16_t c) {
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i needle = _mm_set1_epi16(static_cast<short>(c));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(v, needle));
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(mask)) / 2;
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == c) return i;
    }
    return kNotFound;
}

// Line breaks in p[0, n): every CR, and every LF that does not complete a CR LF pair. A pair
// cut by the start counts its LF, as the text given holds no CR before it.
inline std::size_t CountBreaks(const char16_t* p, std::size_t n) {
    if (n == 0) return 0;
    std::size_t count = (p[0] == u'\r' || p[0] == u'\n') ? 1 : 0;
    std::size_t i = 1;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    while (i + 8 <= n) {
        // Eight counters of 16 bits, each adding at most one per step: summed before they
        // could wrap.
        __m128i counters = _mm_setzero_si128();
        for (int steps = 0; steps < 0x8000 && i + 8 <= n; ++steps, i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - 1));
            const __m128i breaks = _mm_or_si128(
                _mm_cmpeq_epi16(v, cr),
                _mm_andnot_si128(_mm_cmpeq_epi16(before, cr), _mm_cmpeq_epi16(v, lf)));
            counters = _mm_sub_epi16(counters, breaks);  // a break is -1
        }
        // Most pieces asked about hold no break at all.
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(counters, _mm_setzero_si128())) == 0xFFFF) continue;
        alignas(16) std::uint16_t lanes[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), counters);
        for (std::uint16_t lane : lanes) count += lane;
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == u'\r' || (p[i] == u'\n' && p[i - 1] != u'\r')) ++count;
    }
    return count;
}

}  // namespace TextScan
