#include "engine/VornHtml.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace VornHtml;

namespace {

using Strings = std::vector<std::u16string>;

Strings Cut(std::u16string_view text, std::int32_t* count = nullptr) {
    ItemList items(1);
    const std::int32_t n = CutItems(text, items);
    if (count != nullptr) *count = n;
    return Strings(items.begin(), items.end());
}

Strings Split(std::u16string_view item, std::int32_t* count = nullptr) {
    ItemList parts(1);
    const std::int32_t n = SplitTag(item, parts);
    if (count != nullptr) *count = n;
    return Strings(parts.begin(), parts.end());
}

bool IsLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// The cutting rules written the plain way: every search starts afresh and the pending '<' is a
// separate string. Quadratic, and so only for small texts.
Strings ReferenceCut(const std::u16string& t) {
    Strings items(1);
    auto add = [&](const std::u16string& s) {
        if (items.back().empty()) {
            items.back() = s;
        } else {
            items.push_back(s);
        }
    };
    const size_t npos = std::u16string::npos;
    size_t scan = 0;
    std::u16string pending;
    for (;;) {
        const size_t i = t.find(u'<', scan);
        if (i == npos) break;
        if (!pending.empty() || scan < i) {
            add(pending + t.substr(scan, i - scan));
            pending.clear();
        }
        if (t.substr(i, 4) == u"<!--") {
            const size_t b = t.find(u"-->", i);
            if (b == npos) {
                scan = i;
                break;
            }
            add(t.substr(i, b + 3 - i));
            scan = b + 3;
        } else if (i + 1 < t.size() && t[i + 1] == u'/') {
            const size_t b = t.find(u'>', i);
            if (b == npos) {
                scan = i;
                break;
            }
            add(t.substr(i, b + 1 - i));
            scan = b + 1;
        } else if (i + 1 < t.size() && IsLetter(t[i + 1])) {
            char16_t open = 0;
            size_t pos = i + 2;
            for (;;) {
                const size_t gt = t.find(u'>', pos);
                if (gt == npos) {
                    add(t.substr(i));
                    scan = t.size();
                    break;
                }
                size_t d = gt;
                const size_t dq = t.find(u'"', pos);
                const size_t sq = t.find(u'\'', pos);
                if (dq < d) d = dq;
                if (sq < d) d = sq;
                if (d == gt && open == 0) {
                    add(t.substr(i, gt + 1 - i));
                    scan = gt + 1;
                    break;
                }
                if (d != gt) {
                    if (open == 0) {
                        open = t[d];
                    } else if (open == t[d]) {
                        open = 0;
                    }
                }
                pos = d + 1;
            }
            if (scan == t.size()) break;
        } else {
            pending += u'<';
            scan = i + 1;
        }
    }
    if (scan < t.size()) add(pending + t.substr(scan));
    return items;
}

std::u16string RandomMarkup(std::mt19937& rng, size_t length) {
    static const std::u16string pieces[] = {u"<",  u">",    u"\"", u"'", u"!--", u"-->",
                                            u"a",  u"B",    u"/",  u" ", u"\t",  u"\r",
                                            u"\n", u"\r\n", u"=",  u"x", u"<a",  u"</"};
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::u16string t;
    while (t.size() < length) t += pieces[pick(rng)];
    return t;
}

}  // namespace

TEST(AppendItem, FillsAFreeLastSlotBeforeGrowing) {
    ItemList list(1);
    EXPECT_EQ(AppendItem(list, u"a"), 0);
    EXPECT_EQ(list, ItemList({u"a"}));
    EXPECT_EQ(AppendItem(list, u""), 0);  // leaves a free slot for the next append
    EXPECT_EQ(AppendItem(list, u"b"), 0);
    EXPECT_EQ(list, ItemList({u"a", u"b"}));
    ItemList none;
    EXPECT_EQ(AppendItem(none, u"c"), 0);
    EXPECT_EQ(none, ItemList({u"c"}));
}

TEST(CutItems, Items) {
    struct Case {
        std::u16string text;
        Strings items;
    };
    const Case cases[] = {
        {u"", {u""}},
        {u"plain text", {u"plain text"}},
        {u"a < b <p>", {u"a ", u"< b ", u"<p>"}},
        {u"<!DOCTYPE html><p>", {u"<!DOCTYPE html>", u"<p>"}},
        {u"x<?xml?>y", {u"x", u"<?xml?>y"}},
        {u"<!-->x", {u"<!-->", u"x"}},
        {u"<!-- a -- b -->c", {u"<!-- a -- b -->", u"c"}},
        {u"a<!-- <p> never closed <b>", {u"a", u"<!-- <p> never closed <b>"}},
        {u"<!-- '\" -->'<a>", {u"<!-- '\" -->", u"'", u"<a>"}},
        {u"<a title=\"x>y\">z", {u"<a title=\"x>y\">", u"z"}},
        {u"<a title='say \"hi\"'>b", {u"<a title='say \"hi\"'>", u"b"}},
        {u"<a title=\"it's\">b", {u"<a title=\"it's\">", u"b"}},
        {u"<a title=\"x><p>later", {u"<a title=\"x><p>later"}},
        {u"<a title=\"x\" <b>", {u"<a title=\"x\" <b>"}},
        {u"<p", {u"<p"}},
        {u"</a title=\">\">", {u"</a title=\">", u"\">"}},
        {u"x</a", {u"x", u"</a"}},
        {u"</>", {u"</>"}},
        {u"a<", {u"a"}},
        {u"<", {u""}},
        {u"<<p>", {u"<", u"<p>"}},
        {u"a<<", {u"a", u"<"}},
        {u"<1>", {u"<1>"}},
        {u"<a>'<b>\"<c x='\"'>", {u"<a>", u"'", u"<b>", u"\"", u"<c x='\"'>"}},
        {u"<a x=\"1\">\"<b y=\"2\">", {u"<a x=\"1\">", u"\"", u"<b y=\"2\">"}},
        {u"<A\r\nHREF=x>\r\n", {u"<A\r\nHREF=x>", u"\r\n"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::int32_t n = 0;
        EXPECT_EQ(Cut(cases[i].text, &n), cases[i].items);
        EXPECT_EQ(n, static_cast<std::int32_t>(cases[i].items.size()));
    }
}

TEST(CutItems, KeepsWhatTheCallerHasInTheList) {
    ItemList items{u"earlier"};
    EXPECT_EQ(CutItems(u"<p>", items), 2);
    EXPECT_EQ(items, ItemList({u"earlier", u"<p>"}));
    ItemList none;
    EXPECT_EQ(CutItems(u"", none), 1);
}

TEST(CutItems, BadInputFinishesQuickly) {
    {
        // A tag as large as a file: every quote and '>' is looked at once.
        std::u16string t = u"<a ";
        for (int k = 0; k < 500000; ++k) t += u"t=\"x>\" ";
        t += u">after";
        const Strings items = Cut(t);
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[0].size(), t.size() - 5);
        EXPECT_EQ(items[1], u"after");
    }
    {
        // Many tags and no single quote anywhere: searching afresh would scan to the end for
        // every tag.
        std::u16string t;
        for (int k = 0; k < 200000; ++k) t += u"<a href=\"x\">y";
        const Strings items = Cut(t);
        EXPECT_EQ(items.size(), 400000u);
        EXPECT_EQ(items.back(), u"y");
    }
    {
        const std::u16string t(1000000, u'<');
        const Strings items = Cut(t);
        EXPECT_EQ(items.size(), 999999u);
        EXPECT_EQ(items.front(), u"<");
    }
    {
        std::u16string t(1000000, u'x');
        t.insert(0, u"<a title=\"");
        EXPECT_EQ(Cut(t), Strings({t}));  // quote never closed and no '>'
        t.insert(0, u"<!--");
        EXPECT_EQ(Cut(t), Strings({t}));
        t.replace(0, 4, u"</a");
        EXPECT_EQ(Cut(t), Strings({t}));
    }
    {
        std::u16string t = u"a";
        t += u'\0';
        t += char16_t(0xD800);
        t += u"<b x=\"";
        t += char16_t(0xDC00);
        t += u"\">";
        t += u'\0';
        EXPECT_EQ(Cut(t), Strings({t.substr(0, 3), t.substr(3, 9), t.substr(12)}));
    }
}

TEST(CutItems, RandomTextsAgreeWithThePlainRules) {
    std::mt19937 rng(20240601);
    for (int round = 0; round < 3000; ++round) {
        const std::u16string t = RandomMarkup(rng, 1 + round % 60);
        SCOPED_TRACE(std::string(t.begin(), t.end()));
        ASSERT_EQ(Cut(t), ReferenceCut(t));
    }
}

TEST(CutItems, ItemsGiveBackTheTextAndItsLines) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const std::u16string t = RandomMarkup(rng, 1 + round * 7);
        SCOPED_TRACE(std::string(t.begin(), t.end()));
        ItemList items(1);
        ASSERT_GE(CutItems(t, items), 1);
        std::u16string joined;
        std::int32_t lines = 0;
        for (std::u16string_view item : items) {
            joined += item;
            lines += CountLineBreaks(item);
        }
        // Only a final '<' that would stand alone is lost; inside an unclosed tag it stays.
        if (joined != t) {
            EXPECT_EQ(joined + u"<", t);
        }
        EXPECT_EQ(lines + 1, CountLineBreaks(t) + 1);
        for (size_t k = 1; k < items.size(); ++k) EXPECT_FALSE(items[k].empty());
    }
}

TEST(SplitTag, Parts) {
    struct Case {
        std::u16string item;
        Strings parts;
    };
    const Case cases[] = {
        {u"<a href=\"x.htm\" name=y>",
         {u"<", u"a", u" ", u"href=\"x.htm\"", u" ", u"name=y", u">"}},
        {u"<br>", {u"<", u"br", u">"}},
        {u"</a >", {u"<", u"/a", u" ", u">"}},
        {u"<a href = \"x\">", {u"<", u"a", u" ", u"href = \"x\"", u">"}},
        {u"<a href=\"x.htm>", {u"<", u"a", u" ", u"href=\"x.htm", u">"}},
        {u"<a name = >", {u"<", u"a", u" ", u"name = ", u">"}},
        {u"<a href=\"x\"name=y>", {u"<", u"a", u" ", u"href=\"x\"", u"name=y", u">"}},
        {u"<td nowrap\r\n\tbgcolor='#fff' >",
         {u"<", u"td", u" ", u"nowrap", u"\r\n\t", u"bgcolor='#fff'", u" ", u">"}},
        {u"<a title='x y z' b=\"1 2\">",
         {u"<", u"a", u" ", u"title='x y z'", u" ", u"b=\"1 2\"", u">"}},
        {u"<a title=\"x y", {u"<", u"a", u" ", u"title=\"x y"}},
        {u"<a b= c d =e>", {u"<", u"a", u" ", u"b= c", u" ", u"d =e", u">"}},
        {u"<a x==y>", {u"<", u"a", u" ", u"x==y", u">"}},
        {u"<p", {u"<", u"p"}},
        {u"</>", {u"<", u"/", u">"}},
        {u"<a  >", {u"<", u"a", u"  ", u">"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::int32_t n = 0;
        EXPECT_EQ(Split(cases[i].item, &n), cases[i].parts);
        EXPECT_EQ(n, static_cast<std::int32_t>(cases[i].parts.size()));
    }
}

TEST(SplitTag, RejectsWhatIsNotATag) {
    for (std::u16string item :
         {u"", u"<", u"text", u"<!-- x -->", u"<!DOCTYPE html>", u"< a>", u"<1>", u"a<b>"}) {
        SCOPED_TRACE(std::string(item.begin(), item.end()));
        ItemList parts(1);
        EXPECT_EQ(SplitTag(item, parts), 0);
        EXPECT_EQ(parts, ItemList(1));
    }
}

TEST(SplitTag, ManyAttributesFinishQuickly) {
    std::u16string item = u"<a";
    for (int k = 0; k < 100000; ++k) item += u" n=\"v\" m";
    item += u">";
    const Strings parts = Split(item);
    ASSERT_EQ(parts.size(), 3u + 4 * 100000);
    EXPECT_EQ(parts[3], u"n=\"v\"");
    EXPECT_EQ(parts[5], u"m");
    EXPECT_EQ(parts.back(), u">");

    // A quote that never closes, after very many blanks and '=': one part, found without rescans.
    std::u16string open = u"<a v=\"" + std::u16string(1000000, u' ') + u"=";
    EXPECT_EQ(Split(open), Strings({u"<", u"a", u" ", open.substr(3)}));
    // A blank and '=' after the name make one token with it, as after any name.
    std::u16string equals = u"<a " + std::u16string(500000, u'=');
    EXPECT_EQ(Split(equals), Strings({u"<", equals.substr(1)}));
}

TEST(SplitAttribute, NameSeparatorValue) {
    struct Case {
        std::u16string part;
        std::uint8_t result;
        std::u16string name, separator, value;
    };
    const Case cases[] = {
        {u"href = \"x\"", 1, u"href", u" = ", u"\"x\""},
        {u"nowrap", 1, u"nowrap", u"", u""},
        {u"name = ", 1, u"name", u" = ", u""},
        {u"name=", 1, u"name", u"=", u""},
        {u"a=b=c", 1, u"a", u"=", u"b=c"},
        {u"href=\"x.htm", 1, u"href", u"=", u"\"x.htm"},
        {u"ID\r\n=\r\nx", 1, u"ID", u"\r\n=\r\n", u"x"},
        {u"", 0, u"", u"", u""},
        {u" x", 0, u"", u"", u""},
        {u">", 0, u"", u"", u""},
        {u"<", 0, u"", u"", u""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::u16string_view name = u"?", separator = u"?", value = u"?";
        EXPECT_EQ(SplitAttribute(cases[i].part, name, separator, value), cases[i].result);
        EXPECT_EQ(name, cases[i].name);
        EXPECT_EQ(separator, cases[i].separator);
        EXPECT_EQ(value, cases[i].value);
    }
}

TEST(GetTagName, AsWritten) {
    struct Case {
        std::u16string item, name;
    };
    const Case cases[] = {
        {u"<a href=\"x\">", u"a"},
        {u"</A >", u"A"},
        {u"<br>", u"br"},
        {u"<IMG\r\nsrc=x>", u"IMG"},
        {u"<p", u"p"},
        {u"<>", u""},
        {u"", u""},
        {u"</>", u""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(GetTagName(cases[i].item), cases[i].name);
    }
}

TEST(SkipBlanksAndFindBlank, Positions) {
    const std::u16string t = u"ab \t\r\n=c\u3000d";
    EXPECT_EQ(SkipBlanks(1, t), 1);
    EXPECT_EQ(SkipBlanks(3, t), 7);
    EXPECT_EQ(SkipBlanks(9, t), 9);  // the ideographic space is no blank
    EXPECT_EQ(SkipBlanks(3, u"a  "), 0);
    EXPECT_EQ(FindBlank(1, t, false), 3);
    EXPECT_EQ(FindBlank(7, t, false), 0);
    EXPECT_EQ(FindBlank(7, t, true), 7);
    EXPECT_EQ(FindBlank(1, u"a\nb", false), 2);
    for (std::int32_t start : {0, -1, 11, 1000}) {
        SCOPED_TRACE(start);
        EXPECT_EQ(SkipBlanks(start, t), 0);
        EXPECT_EQ(FindBlank(start, t, true), 0);
    }
    EXPECT_EQ(SkipBlanks(1, u""), 0);
    EXPECT_EQ(FindBlank(1, u"", true), 0);
}

TEST(CountLineBreaks, PairsAndLoneCharacters) {
    struct Case {
        std::u16string text;
        std::int32_t count;
    };
    const Case cases[] = {
        {u"", 0},   {u"abc", 0},      {u"\r\n", 1},     {u"\n\r", 2},   {u"\r", 1},
        {u"\n", 1}, {u"a\r\r\nb", 2}, {u"\r\n\r\n", 2}, {u"\n\n\r", 3}, {u"x\ry\nz", 2},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(CountLineBreaks(cases[i].text), cases[i].count);
    }
    EXPECT_EQ(CountLineBreaks(std::u16string(1000000, u'\n')), 1000000);
}

TEST(Unquote, OnePairOfMatchingQuotes) {
    struct Case {
        std::u16string value, bare;
    };
    const Case cases[] = {
        {u"\"\"", u""}, {u"'x'", u"x"}, {u"'x\"", u"'x\""}, {u"\"x.htm", u"\"x.htm"},
        {u"\"", u"\""}, {u"'", u"'"},   {u"x", u"x"},       {u"\"'a'\"", u"'a'"},
        {u"", u""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Unquote(cases[i].value), cases[i].bare);
    }
}
