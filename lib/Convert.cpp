#include "lib/Convert.h"

std::u16string ToDecimal(std::int64_t value) {
    char16_t buf[24];
    int i = 24;
    const bool negative = value < 0;
    // Through unsigned so that the smallest value negates without overflow.
    std::uint64_t v = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        buf[--i] = static_cast<char16_t>(u'0' + v % 10);
        v /= 10;
    } while (v);
    if (negative) buf[--i] = u'-';
    return std::u16string(buf + i, buf + 24);
}

std::u16string ToDecimalPadded(std::int64_t value, int digits) {
    // Not -value: the smallest value has no positive counterpart.
    std::u16string s = ToDecimal(value);
    if (value < 0) s.erase(0, 1);
    if (static_cast<int>(s.size()) < digits) s.insert(0, digits - s.size(), u'0');
    if (value < 0) s.insert(0, 1, u'-');
    return s;
}

bool ParseDecimal(std::u16string_view text, std::int64_t& value) {
    size_t i = 0, n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
    while (n > i && (text[n - 1] == u' ' || text[n - 1] == u'\t')) --n;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    if (i >= n) return false;
    std::uint64_t v = 0;
    for (; i < n; ++i) {
        if (text[i] < u'0' || text[i] > u'9') return false;
        const std::uint64_t d = text[i] - u'0';
        if (v > (UINT64_C(9223372036854775808) - d) / 10) return false;
        v = v * 10 + d;
    }
    if (!negative && v > INT64_MAX) return false;
    value = negative ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
    return true;
}
