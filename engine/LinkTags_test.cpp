#include "engine/LinkTags.h"

#include <gtest/gtest.h>

#include "lib/VornText.h"

namespace HtmlLink {
namespace {

class LinkTagTable : public ::testing::Test {
protected:
    void SetUp() override { BuildLinkTagTable(); }
};

// The whole table in one line, written from the list of link-bearing tags: "!" marks a
// required attribute.
std::u16string Describe() {
    std::u16string out;
    for (const LinkTagDef& def : LinkTags) {
        if (!out.empty()) out += u' ';
        out += def.Name + u'(';
        for (std::size_t k = 0; k < def.Attrs.size(); ++k) {
            if (k) out += u',';
            out += def.Attrs[k].Name;
            if (def.Attrs[k].Required) out += u'!';
        }
        out += u')';
    }
    return out;
}

TEST_F(LinkTagTable, RowsInOrder) {
    EXPECT_EQ(Describe(),
              u"a(href,name) applet(code!) area(href!) base(href) bgsound(src!) body(background) "
              u"embed(src!) form(action) frame(src!) iframe(src!) ilayer(src) img(src!,lowsrc) "
              u"layer(src) link(href,src,rev) meta(content!) object(data!) script(src) "
              u"style(src) table(background) td(background) th(background) tr(background)");
    ASSERT_EQ(LinkTagNames.size(), 22u);
    for (std::size_t k = 0; k < LinkTags.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(LinkTagNames[k], LinkTags[k].Name);
        if (k) {
            EXPECT_LT(LinkTagNames[k - 1], LinkTagNames[k]);
        }
    }
    BuildLinkTagTable();
    EXPECT_EQ(LinkTags.size(), 22u);
}

TEST_F(LinkTagTable, PatternTellsPossibleTableTags) {
    EXPECT_EQ(LinkTagPattern, u"<[ABEFILMOSTabefilmost]");
    struct Case {
        std::u16string_view item;
        bool match;
    };
    const Case cases[] = {{u"<A HREF=x>", true}, {u"<td>", true}, {u"</a>", false},
                          {u"<p>", false},       {u"<S>", true},  {u"<!-- -->", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.item.begin(), c.item.end()));
        EXPECT_EQ(VornText::Like(c.item.substr(0, 2), LinkTagPattern), c.match);
    }
}

TEST_F(LinkTagTable, LookupIsExactOnLowerCase) {
    using VornText::CompareMode;
    const auto find = [](std::u16string_view key) {
        return VornText::SortedSearch(LinkTagNames, key, 0, 21, CompareMode::Exact);
    };
    EXPECT_EQ(find(u"img"), 11);
    EXPECT_EQ(find(u"a"), 0);
    EXPECT_EQ(find(u"tr"), 21);
    EXPECT_LT(find(u"imgx"), 0);
    EXPECT_LT(find(u"IMG"), 0);
}

TEST(CollectInitials, DistinctLettersUpperThenLower) {
    EXPECT_EQ(CollectInitials({u"b", u"A", u"a", u"x1", u"bb"}), u"ABXabx");
    // Characters other than letters are flagged but never given back.
    EXPECT_EQ(CollectInitials({u"1a", u"_b", u"c"}), u"Cc");
    EXPECT_EQ(CollectInitials({}), u"");
    EXPECT_EQ(CollectInitials({u"a", u"\u00e9t\u00e9"}), u"");
    EXPECT_EQ(CollectInitials({u"a", u""}), u"");
}

}  // namespace
}  // namespace HtmlLink
