#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>

using platform::FromUtf8;
using platform::ToUtf8;

TEST(Utf8, SurrogateEscapeRoundTrip) {
    const std::string names[] = {"plain",
                                 "日本語.htm",
                                 std::string("\xff\xfe", 2),
                                 std::string("a\x82\xa0z"),
                                 std::string("\xed\xa0\x80"),
                                 std::string("\xc0\x80"),
                                 std::string("\xf0\x9f\x98"),
                                 std::string("\xf4\x90\x80\x80"),
                                 std::string("a\0b", 3)};
    for (const auto& n : names) EXPECT_EQ(ToUtf8(FromUtf8(n)), n);
    EXPECT_EQ(FromUtf8("\xff"), std::u16string(1, char16_t(0xDCFF)));
}

TEST(Utf8, ValidTextBothWays) {
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"", u""},
        {"a/b", u"a/b"},
        {"\xc3\xa9", u"é"},
        {"日本", u"日本"},
        {"\xf0\x9f\x98\x80", u"\U0001F600"},  // a surrogate pair
        {"\xef\xbf\xbf", u"\uFFFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(FromUtf8(c.bytes), c.text);
        EXPECT_EQ(ToUtf8(c.text), c.bytes);
    }
}

TEST(Utf8, LoneSurrogatesNeverVanish) {
    // Only U+DC80..U+DCFF stand for bytes; any other lone surrogate is kept in three bytes.
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xDC41))), "\xed\xb1\x81");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xed\xa0\x80");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xDC80))), "\x80");
}
