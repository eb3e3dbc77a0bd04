#include "lib/Like.h"

#include <gtest/gtest.h>

#include <string>

using VornText::Like;

TEST(Like, Elements) {
    struct Case {
        std::u16string text, pattern;
        bool match;
    };
    const Case cases[] = {
        {u"", u"", true},
        {u"", u"*", true},
        {u"a", u"", false},
        {u"abc", u"a?c", true},
        {u"ac", u"a?c", false},
        {u"a1b", u"a#b", true},
        {u"axb", u"a#b", false},
        {u"a#b", u"a[#]b", true},
        {u"a1b", u"a[#]b", false},
        {u"HREF", u"[Hh][Rr][Ee][Ff]", true},
        {u"hReF", u"[Hh][Rr][Ee][Ff]", true},
        {u"href2", u"[Hh][Rr][Ee][Ff]", false},
        {u"q", u"[A-Za-z]", true},
        {u"1", u"[A-Za-z]", false},
        {u"1", u"[!A-Za-z]", true},
        {u"-", u"[-.0-9]", true},
        {u"5", u"[-.0-9]", true},
        {u"/", u"[-.0-9]", false},
        {u"[", u"[[]", true},
        {u"x.bak", u"*.[Bb][Aa][Kk]", true},
        {u"x.bakk", u"*.[Bb][Aa][Kk]", false},
        {u"a:b", u"*[!-.0-9;A-Z_a-z]*", true},
        {u"sec-1.2", u"*[!-.0-9;A-Z_a-z]*", false},
        {u"x", u"[a", false},        // a set never closed matches nothing
        {u"x", u"[]", false},
        {u"abc", u"a*", true},
        {u"abc", u"*c", true},
        {u"abc", u"*b", false},
        {u"ａ", u"[Ａ-Ｚａ-ｚ]", true},
        {u"index.HTML", u"*.*[Hh][Tt][Mm]*", true},
        {u"http://h", u"[A-Za-z]*://*", true},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Like(cases[i].text, cases[i].pattern), cases[i].match);
    }
}

TEST(Like, ManyStarsOnALongTextFinishes) {
    // A matcher that backtracks over every star would never return here.
    const std::u16string text(1 << 20, u'a');
    EXPECT_FALSE(Like(text, u"*a*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(Like(text + u"b", u"*a*a*a*a*a*a*a*a*b"));
    EXPECT_FALSE(Like(text, u"*[!a]*"));
}

TEST(Like, OddCodeUnits) {
    const std::u16string text = std::u16string(u"a") + char16_t(0xD800) + u'\0' + u"b";
    EXPECT_TRUE(Like(text, u"a??b"));
    EXPECT_TRUE(Like(text, u"*b"));
}
