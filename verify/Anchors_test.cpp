#include "verify/Anchors.h"

#include <gtest/gtest.h>

#include "lib/Convert.h"
#include "lib/VornFileList.h"
#include "testutil/SiteBuilder.h"

using HtmlLink::AttrEntry;
using testutil::Codes;
using testutil::SiteBuilder;
using testutil::Texts;
using Strings = std::vector<std::u16string>;

namespace {

std::u16string DefinedAt(int line) {
    return u"このアンカーは既に " + ToDecimal(line) + u" 行目で定義されています。";
}

TEST(CheckAnchorDefinitions, DuplicatesNameTheFirstDefinition) {
    SiteBuilder site;
    // The value of the first stands on line 2, one line below its tag.
    site.Page(u"index.html",
              u"<a\nname=\"a\">1</a>\n<a name=\"a\">2</a>\n<a name=\"b\"><p id=\"B\">\n"
              u"<a name=\"c\"><a name=\"c\"><a name=\"c\">");
    site.Scan();

    const AttrEntry& a1 = site.Attr(u"index.html", u"a", 0);
    const AttrEntry& a2 = site.Attr(u"index.html", u"a", 1);
    EXPECT_TRUE(Texts(a1.Warnings).empty());
    EXPECT_EQ(Codes(a2.Warnings), std::vector<std::int32_t>{502});
    EXPECT_EQ(Texts(a2.Warnings), Strings{DefinedAt(2)});
    EXPECT_EQ(a1.Code, 502);
    EXPECT_EQ(a2.Code, 502);
    EXPECT_EQ(site.AnchorOf(u"index.html", u"a", 0).Duplicate, 2);
    EXPECT_EQ(site.AnchorOf(u"index.html", u"a", 1).Duplicate, 2);

    // Names that differ in letter case only.
    const AttrEntry& b = site.Attr(u"index.html", u"B");
    EXPECT_EQ(Codes(b.Warnings), std::vector<std::int32_t>{501});
    EXPECT_EQ(Texts(b.Warnings), Strings{DefinedAt(4)});
    EXPECT_EQ(b.Code, 501);
    EXPECT_EQ(site.Attr(u"index.html", u"b").Code, 501);
    EXPECT_EQ(site.AnchorOf(u"index.html", u"b").Duplicate, 1);
    EXPECT_EQ(site.AnchorOf(u"index.html", u"B").Duplicate, 1);

    // Three alike: the second and the third each name the first, once.
    EXPECT_TRUE(Texts(site.Attr(u"index.html", u"c", 0).Warnings).empty());
    EXPECT_EQ(Texts(site.Attr(u"index.html", u"c", 1).Warnings), Strings{DefinedAt(5)});
    EXPECT_EQ(Texts(site.Attr(u"index.html", u"c", 2).Warnings), Strings{DefinedAt(5)});
}

// The pairwise walk the groups must reproduce: every name against every later one.
struct Outcome {
    std::vector<std::uint8_t> duplicate;
    std::vector<std::int32_t> code;
    std::vector<std::vector<std::int32_t>> warnings;  // code * 1000 + line
};

Outcome PairwiseWalk(const Strings& names) {
    const std::size_t n = names.size();
    Outcome o{std::vector<std::uint8_t>(n, 0), std::vector<std::int32_t>(n, 500),
              std::vector<std::vector<std::int32_t>>(n)};
    for (std::size_t a = 0; a < n; ++a) {
        if (names[a].empty()) {
            o.code[a] = 520;
            o.warnings[a].push_back(520 * 1000);
            continue;
        }
        if (o.duplicate[a] < 2) {
            for (std::size_t c = a + 1; c < n; ++c) {
                if (VornFileList::CompareFileNames(names[a], names[c]) != 0) continue;
                const bool report = o.duplicate[c] == 0;
                if (names[a] != names[c]) {
                    if (o.duplicate[a] == 0) o.duplicate[a] = 1;
                    if (o.duplicate[c] == 0) o.duplicate[c] = 1;
                } else {
                    o.duplicate[a] = o.duplicate[c] = 2;
                }
                if (report) o.warnings[c].push_back((500 + o.duplicate[c]) * 1000 + int(a) + 1);
            }
        }
        o.code[a] += o.duplicate[a];
    }
    return o;
}

TEST(CheckAnchorDefinitions, GroupsAgreeWithThePairwiseWalk) {
    const std::vector<Strings> lists = {
        {u"a", u"A", u"a"},
        {u"A", u"a", u"a", u"A", u"b"},
        {u"x", u"", u"X", u"", u"x", u"y", u"Y", u"y"},
        {u"ａ", u"Ａ", u"ａ", u"é", u"É"},
        {u"k"},
    };
    for (std::size_t i = 0; i < lists.size(); ++i) {
        SCOPED_TRACE(i);
        const Strings& names = lists[i];
        // One tag per line, so that the line of a definition is its position.
        HtmlLink::FileEntry file;
        file.Path = uR"(C:\site\a.htm)";
        for (std::size_t k = 0; k < names.size(); ++k) {
            HtmlLink::TagEntry tag;
            tag.Name = u"a";
            AttrEntry attr;
            attr.Name = u"name";
            attr.Value = u"\"" + names[k] + u"\"";
            attr.ValueLine = int(k) + 1;
            attr.Code = 500;
            tag.Attrs.push_back(attr);
            file.Tags.push_back(tag);
            file.Anchors.push_back({int(k), 0, 0, 0});
        }
        CheckSet set;
        EXPECT_FALSE(HtmlLink::CheckAnchorDefinitions(file, set));
        const Outcome want = PairwiseWalk(names);
        for (std::size_t k = 0; k < names.size(); ++k) {
            SCOPED_TRACE(k);
            const AttrEntry& attr = file.Tags[k].Attrs[0];
            if (!names[k].empty()) {
                EXPECT_EQ(file.Anchors[k].Duplicate, want.duplicate[k]);
            }
            EXPECT_EQ(attr.Code, want.code[k]);
            std::vector<std::int32_t> got;
            for (const HtmlLink::WarningEntry& w : attr.Warnings) {
                const std::size_t at = w.Text.find(u"既に ");
                got.push_back(w.Code * 1000 + (at == w.Text.npos ? 0 : int(w.Text[at + 3] - u'0')));
            }
            EXPECT_EQ(got, want.warnings[k]);
        }
    }
}

TEST(CheckAnchorDefinitions, EmptyAndStrictNames) {
    const std::u16string invalid = u"アンカー名に不正な文字が含まれています。";
    struct Case {
        std::u16string name;
        bool valid;
    };
    const Case cases[] = {
        {u"sec-1.2", true}, {u"a;b", true},  {u"Z_9", true},   {u"a:b", false},
        {u"1st", false},    {u"_x", false},  {u"-x", false},   {u"a b", false},
        {u"見出し", false}, {u"aあ", false}, {u"ａｂ", false},
    };
    for (const std::uint8_t strict : {1, 0}) {
        SCOPED_TRACE(int(strict));
        SiteBuilder site;
        site.Set.StrictAnchorDescription = strict;
        std::u16string html = u"<a name=\"\">";
        for (const Case& c : cases) html += u"<a name=\"" + c.name + u"\">\n";
        site.Page(u"index.html", html);
        site.Scan();

        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name.size() << c.valid);
            const AttrEntry& attr = site.Attr(u"index.html", c.name);
            const bool flagged = strict && !c.valid;
            EXPECT_EQ(attr.Code, flagged ? 510 : 500);
            EXPECT_EQ(Texts(attr.Warnings), flagged ? Strings{invalid} : Strings{});
        }
        const AttrEntry& empty = site.Attr(u"index.html", u"");
        EXPECT_EQ(empty.Code, 520);
        EXPECT_EQ(Texts(empty.Warnings), Strings{u"アンカー名が空です。"});
    }

    // A strict failure adds to the duplicate code.
    SiteBuilder site;
    site.Set.StrictAnchorDescription = 1;
    site.Page(u"index.html", u"<a name=\"1a\"><a name=\"1A\">");
    site.Scan();
    const AttrEntry& second = site.Attr(u"index.html", u"1A");
    EXPECT_EQ(second.Code, 511);
    EXPECT_EQ(Texts(second.Warnings), (Strings{DefinedAt(1), invalid}));
}

TEST(ReportUnlinked, FilesAndAnchorsByOption) {
    const std::u16string file_text = u"このファイルは、どこからもリンクされていません。";
    const std::u16string anchor_text = u"このアンカーは、どこからもリンクされていません。";
    struct Case {
        std::uint8_t files, names, ids;
    };
    for (const Case c : {Case{1, 0, 0}, Case{0, 1, 0}, Case{0, 0, 1}, Case{1, 1, 1}}) {
        SCOPED_TRACE(testing::Message() << int(c.files) << int(c.names) << int(c.ids));
        SiteBuilder site;
        site.Set.AlertIgnoredFile = c.files;
        site.Set.AlertIgnoredNameAnchor = c.names;
        site.Set.AlertIgnoredIdAnchor = c.ids;
        site.Page(u"index.html",
                  u"<a href=\"a.htm#n1\">x</a><a href=\"data.txt#x\">x</a><a name=\"\">");
        site.Page(u"a.htm", u"<a name=\"n1\"><A NAME=\"n2\"><p ID=\"i1\"><a id=\"i2\">");
        // Reached only by its own link.
        site.Page(u"self.htm", u"<a href=\"#top\">x</a><h1 id=\"top\">");
        site.File(u"data.txt");
        site.File(u"logo.gif");
        site.Run();

        const Strings unlinked_file = c.files ? Strings{file_text} : Strings{};
        EXPECT_EQ(Texts(site.FileOf(u"index.html").Warnings), unlinked_file);
        EXPECT_EQ(Texts(site.FileOf(u"logo.gif").Warnings), unlinked_file);
        // A link whose anchor could not be searched does not count.
        EXPECT_EQ(Texts(site.FileOf(u"data.txt").Warnings), unlinked_file);
        EXPECT_TRUE(Texts(site.FileOf(u"a.htm").Warnings).empty());
        EXPECT_TRUE(Texts(site.FileOf(u"self.htm").Warnings).empty());

        const Strings name_warning = c.names ? Strings{anchor_text} : Strings{};
        const Strings id_warning = c.ids ? Strings{anchor_text} : Strings{};
        EXPECT_TRUE(Texts(site.Attr(u"a.htm", u"n1").Warnings).empty());
        EXPECT_EQ(Texts(site.Attr(u"a.htm", u"n2").Warnings), name_warning);
        EXPECT_EQ(Texts(site.Attr(u"a.htm", u"i1").Warnings), id_warning);
        EXPECT_EQ(Texts(site.Attr(u"a.htm", u"i2").Warnings), id_warning);
        EXPECT_TRUE(Texts(site.Attr(u"self.htm", u"top").Warnings).empty());
        // An empty name has its own warning and is never reported as unlinked.
        EXPECT_EQ(Texts(site.Attr(u"index.html", u"").Warnings), Strings{u"アンカー名が空です。"});
    }
}

}  // namespace
