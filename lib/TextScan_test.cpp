#include "lib/TextScan.h"

#include <gtest/gtest.h>

#include <string>

using namespace TextScan;

namespace {

// Texts where every interesting character stands at each position of a sixteen-byte block.
std::u16string Spaced(char16_t c, std::size_t at, std::size_t size) {
    std::u16string s(size, u'x');
    if (at < size) s[at] = c;
    return s;
}

}  // namespace

TEST(TextScan, WidenAsciiStopsAtWhatTheDecodersHandle) {
    for (unsigned char stop : {'\r', '\n', '\x1b', '\x80', '\xff'}) {
        for (std::size_t at = 0; at < 40; ++at) {
            std::string bytes(40, 'a');
            bytes[at] = static_cast<char>(stop);
            std::u16string out(40, u'?');
            const std::size_t n =
                WidenAscii(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out.data());
            ASSERT_EQ(n, at) << int(stop);
            EXPECT_EQ(out.substr(0, n), std::u16string(n, u'a'));
        }
    }
    const std::string all(33, '\x7f');
    std::u16string out(33, u'?');
    EXPECT_EQ(WidenAscii(reinterpret_cast<const unsigned char*>(all.data()), 33, out.data()), 33u);
    EXPECT_EQ(out, std::u16string(33, u'\x7f'));
}

TEST(TextScan, FindCharAtEveryPosition) {
    for (std::size_t size : {0u, 1u, 7u, 8u, 9u, 17u, 40u}) {
        for (std::size_t at = 0; at <= size; ++at) {
            const std::u16string s = Spaced(u'<', at, size);
            for (std::size_t from = 0; from <= size + 1; ++from) {
                const std::size_t expected = at < size && at >= from ? at : kNotFound;
                ASSERT_EQ(FindChar(s.data(), s.size(), from, u'<'), expected)
                    << size << " " << at << " " << from;
            }
        }
    }
    // A character whose one byte matches is no match.
    const std::u16string wide = u"\u3c3c\u003d<";
    EXPECT_EQ(FindChar(wide.data(), wide.size(), 0, u'<'), 2u);
}

// Two of the characters sought, each at every position: whichever comes first at or after
// `from` is found, and one before `from` never is.
TEST(TextScan, FindAnyAsThePlainSearch) {
    for (std::size_t size : {1u, 7u, 8u, 9u, 15u, 17u, 24u}) {
        for (std::size_t x = 0; x < size; ++x) {
            for (std::size_t y = 0; y < size; ++y) {
                std::u16string s = Spaced(u'"', x, size);
                s[y] = u'>';
                for (std::size_t from = 0; from <= size; ++from) {
                    std::size_t expected = kNotFound;
                    for (std::size_t k = from; k < size && expected == kNotFound; ++k)
                        if (s[k] == u'"' || s[k] == u'>') expected = k;
                    ASSERT_EQ(FindAny(s.data(), s.size(), from, u'>', u'"', u'\''), expected)
                        << size << " " << x << " " << y << " " << from;
                }
            }
        }
    }
}

TEST(TextScan, CountBreaksAsThePlainRule) {
    const struct {
        std::u16string text;
        std::size_t breaks;
    } cases[] = {
        {u"", 0},
        {u"\n", 1},
        {u"\r\n", 1},
        {u"\n\r", 2},
        {u"\r\r\n\n", 3},
        {Spaced(u'\r', 7, 8) + u"\n", 1},
        {Spaced(u'\r', 15, 16) + u"\n", 1},
        {Spaced(u'\r', 8, 16) + u"\n", 2},
        {u"0123456\r\n0123456\r\n0123456\r\n", 3},    // pairs across blocks of eight
        {u"01234567\r\r\r\r\r\r\r\r\n\n\n\n\n\n\n\n", 15},
        {u"\u0d0a\u0a0d\r", 1},  // only whole characters count
    };
    for (std::size_t k = 0; k < std::size(cases); ++k)
        EXPECT_EQ(CountBreaks(cases[k].text.data(), cases[k].text.size()), cases[k].breaks) << k;
}
