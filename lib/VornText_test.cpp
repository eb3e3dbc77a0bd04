#include "lib/VornText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace VornText;

namespace {

using Strings = std::vector<std::u16string>;

const Strings kTagNames = {u"a",     u"applet", u"area",  u"base",   u"bgsound", u"body",
                           u"embed", u"form",   u"frame", u"iframe", u"ilayer",  u"img",
                           u"layer", u"link",   u"meta",  u"object", u"script",  u"style",
                           u"table", u"td",     u"th",    u"tr"};

}  // namespace

TEST(SortedSearch, FindsOrGivesTheMissingCode) {
    const Strings one = {u"only"};
    EXPECT_EQ(SortedSearch(one, u"only", 0, 0, CompareMode::Exact), 0);
    EXPECT_EQ(SortedSearch(one, u"other", 0, 0, CompareMode::Exact), -1);

    const std::int32_t last = static_cast<std::int32_t>(kTagNames.size()) - 1;
    for (std::int32_t k = 0; k <= last; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(SortedSearch(kTagNames, kTagNames[k], 0, last, CompareMode::Exact), k);
    }
    for (std::u16string key : {u"p", u"", u"zz", u"IMG", u"imgx", u"A"}) {
        SCOPED_TRACE(std::string(key.begin(), key.end()));
        EXPECT_EQ(SortedSearch(kTagNames, key, 0, last, CompareMode::Exact), -1);
    }
    EXPECT_EQ(SortedSearch(kTagNames, u"IMG", 0, last, CompareMode::Folded), 11);
    EXPECT_EQ(SortedSearch(kTagNames, u"link", 14, last, CompareMode::Exact), -1);

    const Strings folded = {u"Alpha", u"beta", u"GAMMA"};
    EXPECT_EQ(SortedSearch(folded, u"BETA", 0, 2, CompareMode::Folded), 1);
    EXPECT_EQ(SortedSearch(folded, u"BETA", 0, 2, CompareMode::Exact), -1);
}

TEST(SortedSearch, BoundsOutsideTheListFail) {
    EXPECT_EQ(SortedSearch(kTagNames, u"a", -1, 21, CompareMode::Exact), -2);
    EXPECT_EQ(SortedSearch(kTagNames, u"a", 0, 22, CompareMode::Exact), -2);
    EXPECT_EQ(SortedSearch({}, u"a", 0, 0, CompareMode::Exact), -2);
}

TEST(SplitText, Pieces) {
    struct Case {
        std::u16string text, delimiter;
        bool keep_empty;
        std::uint8_t result;
        Strings pieces;
    };
    const Case cases[] = {
        {u"", u".", false, 0, {u""}},
        {u"", u".", true, 0, {u""}},
        {u"a.b.", u".", false, 0, {u"a", u"b"}},
        {u"a.b.", u".", true, 0, {u"a", u"b", u""}},
        {u"a\t\tb", u"\t", true, 0, {u"a", u"", u"b"}},
        {u"a\t\tb", u"\t", false, 0, {u"a", u"b"}},
        {u"...", u".", false, 1, {u""}},
        {u"..", u".", true, 0, {u"", u"", u""}},
        {u"abc", u";", false, 0, {u"abc"}},
        {u"x::y:::z", u"::", true, 0, {u"x", u"y", u":z"}},
        {u"aaaa", u"aa", true, 0, {u"", u"", u""}},
        {u"a;b", u"", true, 0, {u"a;b"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        Strings list = {u"old", u"contents"};
        EXPECT_EQ(SplitText(cases[i].text, cases[i].delimiter, list, cases[i].keep_empty),
                  cases[i].result);
        EXPECT_EQ(list, cases[i].pieces);
    }
}

TEST(ReplaceText, EveryOccurrenceOnce) {
    struct Case {
        std::u16string text, search, replacement;
        std::int32_t count;
        std::u16string result;
    };
    const Case cases[] = {
        {u"a\"b\"", u"\"", u"\"\"", 2, u"a\"\"b\"\""},
        {u"aaa", u"aa", u"X", 1, u"Xa"},
        {u"abab", u"ab", u"ba", 2, u"baba"},
        {u"aa", u"a", u"aa", 2, u"aaaa"},  // no rescan of what was put in
        {u"abc", u"", u"x", 0, u"abc"},
        {u"ab", u"abc", u"x", 0, u"ab"},
        {u"abc", u"b", u"b", 0, u"abc"},
        {u"abc", u"x", u"y", 0, u"abc"},
        {u"abc", u"abc", u"", 1, u""},
        {u"aabaabaaab", u"aab", u"-", 3, u"--a-"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::u16string text = cases[i].text;
        EXPECT_EQ(ReplaceText(text, cases[i].search, cases[i].replacement), cases[i].count);
        EXPECT_EQ(text, cases[i].result);
    }
}

TEST(ReplaceText, AgreesWithThePlainLoopOnRandomTexts) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> letter(0, 2), length(1, 4);
    auto random_text = [&](int n) {
        std::u16string s;
        for (int k = 0; k < n; ++k) s += static_cast<char16_t>(u'a' + letter(rng));
        return s;
    };
    for (int round = 0; round < 2000; ++round) {
        const std::u16string text = random_text(round % 30);
        const std::u16string search = random_text(length(rng));
        std::u16string expected = text;
        std::int32_t count = 0;
        if (search.size() <= text.size() && search != u"X") {
            for (size_t p = expected.find(search); p != std::u16string::npos;
                 p = expected.find(search, p + 1)) {
                expected.replace(p, search.size(), u"X");
                ++count;
            }
        }
        std::u16string got = text;
        SCOPED_TRACE(std::string(text.begin(), text.end()) + " / " +
                     std::string(search.begin(), search.end()));
        ASSERT_EQ(ReplaceText(got, search, u"X"), count);
        ASSERT_EQ(got, expected);
    }
}

TEST(ReplaceText, LongTextsStayLinear) {
    std::u16string text;
    for (int k = 0; k < 500000; ++k) text += u"ab\"";
    EXPECT_EQ(ReplaceText(text, u"\"", u"\"\""), 500000);
    EXPECT_EQ(text.size(), 2000000u);
    std::u16string same(1000000, u'a');
    EXPECT_EQ(ReplaceText(same, std::u16string(1000, u'a') + u"b", u"x"), 0);
    Strings pieces;
    EXPECT_EQ(SplitText(std::u16string(1000000, u';'), u";", pieces, true), 0);
    EXPECT_EQ(pieces.size(), 1000001u);
}

TEST(TabToCsv, QuotesTextFieldsOnly) {
    struct Case {
        std::u16string line, csv;
    };
    const Case cases[] = {
        {u"12\tabc\tx\"y", u"12,\"abc\",\"x\"\"y\""},
        {u"a\t\tb", u"\"a\",,\"b\""},
        {u"\t", u","},
        {u"", u""},
        {u"007", u"007"},
        {u"-1", u"\"-1\""},
        {u"1 2\t3", u"\"1 2\",3"},
        {u"\"\"", u"\"\"\"\"\"\""},
        {u"C:\\a,b.htm\t41\t", u"\"C:\\a,b.htm\",41,"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(TabToCsv(cases[i].line), cases[i].csv);
    }
}

TEST(SkipRun, Positions) {
    struct Case {
        std::int32_t start;
        std::u16string text, character;
        std::int32_t result;
    };
    const Case cases[] = {
        {1, u"///x", u"/", 4}, {2, u"///x", u"/", 4}, {4, u"///x", u"/", 4}, {1, u"///", u"/", 4},
        {1, u"x", u"/", 1},    {5, u"///x", u"/", 0}, {1, u"", u"/", 0},     {1, u"abc", u"", 1},
        {0, u"abc", u"a", 0},  {1, u"aab", u"aa", 1},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(SkipRun(cases[i].start, cases[i].text, cases[i].character), cases[i].result);
    }
}

TEST(FileUrlToPath, Paths) {
    struct Case {
        std::u16string text, path;
    };
    const Case cases[] = {
        {u"file:///C|/dir/x.htm", uR"(C:\dir\x.htm)"},
        {u"file://srv/share/x.htm", uR"(\\srv\share\x.htm)"},
        {u"file:////srv/x.htm", uR"(\\srv\x.htm)"},
        {u"FILE:c:/x.htm", uR"(c:\x.htm)"},
        {u"File:/C:/x.htm", uR"(C:\x.htm)"},
        {u"c|/x.htm", uR"(c:\x.htm)"},
        {u"/dir/x.htm", uR"(\dir\x.htm)"},
        {uR"(C:\already\x.htm)", uR"(C:\already\x.htm)"},
        {u"file:", u""},
        {u":x", u""},
        {u"file:|/x", u""},
        {u"", u""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(FileUrlToPath(cases[i].text), cases[i].path);
    }
}

TEST(IsHostName, AcceptsAndRejects) {
    struct Case {
        std::u16string text;
        bool strict, result;
    };
    const Case cases[] = {
        {u"abc.def", false, true},    {u"10.20.30.40", false, true},
        {u"0.0.0.255", false, true},  {u"10.20.30.256", false, false},
        {u"1.2.3", false, false},     {u"1.2.3.4.5", false, false},
        {u"a.2.3.4", false, false},   {u"99999999999999999999.1.1.1", false, false},
        {u"a..b", false, false},      {u"abc", false, false},
        {u".", false, false},         {u"", false, false},
        {u"abc.de1", false, false},   {u"@example.com", false, true},
        {u"@example.", false, false}, {u"-a.def", false, true},
        {u"-a.def", true, false},     {u"a-.def", true, false},
        {u"a_b.def", true, false},    {u"a-b.c9.def", true, true},
        {u"10.20.30.40", true, true}, {u"@example.com", true, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(IsHostName(cases[i].text, cases[i].strict), cases[i].result);
    }
}

TEST(CompareFolded, SameOrderAsFileNames) {
    EXPECT_EQ(CompareFolded(u"index.htm", u"INDEX.HTM"), 0);
    EXPECT_EQ(CompareFolded(u"x_y.htm", u"xz.htm"), 1);
    EXPECT_EQ(CompareFolded(u"", u"a"), -1);
}

TEST(CopyStrings, CopiesEveryElement) {
    Strings destination = {u"x"};
    EXPECT_EQ(CopyStrings(destination, {u"a", u"", u"c"}), 0);
    EXPECT_EQ(destination, Strings({u"a", u"", u"c"}));
}

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
