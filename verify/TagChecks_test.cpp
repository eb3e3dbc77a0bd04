#include "verify/TagChecks.h"

#include <gtest/gtest.h>

#include "engine/LinkTags.h"
#include "engine/ScanFile.h"
#include "platform/MemoryFileSystem.h"

using namespace HtmlLink;

namespace {

constexpr std::int32_t kA = 0, kBase = 3, kBody = 5, kImg = 11, kLink = 13;

struct Attr {
    std::u16string name, value;
};

TagEntry Tag(std::u16string name, std::int32_t def_index, std::int32_t line,
             std::vector<Attr> attrs) {
    TagEntry tag;
    tag.Name = std::move(name);
    tag.DefIndex = def_index;
    tag.Line = line;
    for (Attr& a : attrs) {
        AttrEntry e;
        e.Name = std::move(a.name);
        e.Value = std::move(a.value);
        e.ValueLine = line;
        tag.Attrs.push_back(std::move(e));
    }
    return tag;
}

// A scanned page as the scan leaves it: one free anchor slot, the given tags.
FileEntry Page(std::vector<TagEntry> tags, std::u16string path = uR"(C:\site\sub\page.htm)") {
    FileEntry file;
    file.Path = std::move(path);
    file.Anchors.resize(1);
    file.Tags = std::move(tags);
    return file;
}

CheckSet Site() {
    CheckSet set;
    set.LocalPath = uR"(C:\site\)";
    set.AllowBackSlash = 1;
    set.AllowLocalFullPath = 1;
    set.CheckMailTo = 1;
    set.CheckBaseDirOver = 1;
    return set;
}

using Warnings = std::vector<std::pair<std::int32_t, std::u16string>>;

Warnings Texts(const WarningList& list) {
    Warnings out;
    for (const WarningEntry& w : list) {
        if (!w.Text.empty()) out.emplace_back(w.Code, w.Text);
    }
    return out;
}

class TagChecksTest : public ::testing::Test {
protected:
    void SetUp() override { BuildLinkTagTable(); }
    void TearDown() override { BuildLinkTagTable(); }
};

}  // namespace

TEST_F(TagChecksTest, BaseInForceResolvesTheFile) {
    FileEntry file = Page({
        Tag(u"BASE", kBase, 3, {{u"HREF", u"\"http://www.example.com/dir/\""}}),
        Tag(u"a", kA, 10, {{u"href", u"x.htm"}}),
        Tag(u"a", kA, 11, {{u"href", u"/y.htm"}}),
        Tag(u"a", kA, 12, {{u"href", u"../z.htm"}}),
    });
    EXPECT_EQ(CheckFileTags(file, u"http://host", Site()), 0);
    EXPECT_EQ(file.Tags[0].Code, 0);
    EXPECT_TRUE(Texts(file.Tags[0].Warnings).empty());
    EXPECT_EQ(file.Tags[0].Attrs[0].Code, 300);
    EXPECT_EQ(file.Tags[1].Attrs[0].Target, u"http://www.example.com/dir/x.htm");
    EXPECT_EQ(file.Tags[1].Attrs[0].Code, 100);
    EXPECT_EQ(file.Tags[2].Attrs[0].Target, u"http://www.example.com/y.htm");
    EXPECT_EQ(file.Tags[3].Attrs[0].Target, u"http://www.example.com/z.htm");
}

TEST_F(TagChecksTest, BaseAsBareHostName) {
    FileEntry file = Page({
        Tag(u"base", kBase, 1, {{u"href", u"www.example.com"}}),
        Tag(u"img", kImg, 2, {{u"src", u"x.gif"}}),
    });
    CheckFileTags(file, u"", Site());
    EXPECT_EQ(file.Tags[0].Attrs[0].Target, u"http://www.example.com/");
    EXPECT_EQ(file.Tags[1].Attrs[0].Code, 100);
    EXPECT_EQ(file.Tags[1].Attrs[0].Target, u"http://www.example.com/x.gif");
}

TEST_F(TagChecksTest, UnusableBaseBlocksRelativeAndAbsolutePaths) {
    FileEntry file = Page({
        Tag(u"base", kBase, 1, {{u"href", u"http://www.example.com"}}),
        Tag(u"a", kA, 2, {{u"href", u"x.htm"}}),
        Tag(u"a", kA, 3, {{u"href", u"/x.htm"}}),
        Tag(u"a", kA, 4, {{u"href", u"http://other/"}}),
    });
    CheckFileTags(file, u"http://host", Site());
    EXPECT_EQ(file.Tags[0].Attrs[0].Code, 305);
    EXPECT_EQ(file.Tags[1].Attrs[0].Code, 904);
    EXPECT_EQ(Texts(file.Tags[1].Attrs[0].Warnings),
              (Warnings{{904, u"<base> タグの記述が無効のため、相対パスを解決できません。"}}));
    EXPECT_EQ(Texts(file.Tags[2].Attrs[0].Warnings),
              (Warnings{{904, u"<base> タグの記述が無効のため、絶対パスを解決できません。"}}));
    EXPECT_EQ(file.Tags[3].Attrs[0].Code, 100);
}

TEST_F(TagChecksTest, MisplacedBaseIsReportedAndNeverALink) {
    for (const std::u16string before : {u"A", u"body"}) {
        SCOPED_TRACE(std::string(before.begin(), before.end()));
        FileEntry file = Page({
            Tag(before, before == u"A" ? kA : kBody, 5, {{u"href", u"x.htm"}}),
            Tag(u"BASE", kBase, 6, {{u"href", u"http://other/"}}),
            Tag(u"a", kA, 7, {{u"href", u"y.htm"}}),
        });
        EXPECT_EQ(CheckFileTags(file, u"", Site()), 0);
        const TagEntry& base = file.Tags[1];
        EXPECT_EQ(base.Code, 5);
        EXPECT_EQ(Texts(base.Warnings),
                  (Warnings{{5, u"<BASE> タグは <head> セクションに記述しなければなりません。"}}));
        // Verification looks at codes below 10; an unchecked href must not look like a link.
        EXPECT_EQ(base.Attrs[0].Code, 300);
        EXPECT_EQ(base.Attrs[0].Target, u"");
        EXPECT_TRUE(Texts(base.Attrs[0].Warnings).empty());
        EXPECT_EQ(file.Tags[2].Attrs[0].Target, uR"(C:\site\sub\y.htm)");
        EXPECT_EQ(file.Tags[2].Attrs[0].Code, 0);
    }
}

TEST_F(TagChecksTest, FurtherBasesNameTheFirstOne) {
    FileEntry file = Page({
        Tag(u"base", kBase, 2, {{u"href", u"http://first/"}}),
        Tag(u"BASE", kBase, 3, {{u"href", u"http://second/"}}),
        Tag(u"Base", kBase, 4, {{u"href", u""}}),
        Tag(u"a", kA, 9, {{u"href", u"x.htm"}}),
    });
    CheckFileTags(file, u"", Site());
    EXPECT_EQ(file.Tags[0].Code, 0);
    EXPECT_EQ(file.Tags[1].Code, 4);
    EXPECT_EQ(Texts(file.Tags[1].Warnings),
              (Warnings{{4, u"<BASE> タグは既に 2 行目で記述されています。"}}));
    EXPECT_EQ(Texts(file.Tags[2].Warnings),
              (Warnings{{4, u"<Base> タグは既に 2 行目で記述されています。"}}));
    EXPECT_EQ(file.Tags[1].Attrs[0].Code, 300);
    EXPECT_EQ(file.Tags[2].Attrs[0].Code, 300);
    EXPECT_TRUE(Texts(file.Tags[2].Attrs[0].Warnings).empty());
    EXPECT_EQ(file.Tags[3].Attrs[0].Target, u"http://first/x.htm");

    // The first BASE after the body is misplaced; the next one still names it.
    FileEntry late = Page({
        Tag(u"a", kA, 1, {{u"name", u"top"}}),
        Tag(u"base", kBase, 2, {{u"href", u"http://first/"}}),
        Tag(u"base", kBase, 3, {{u"href", u"http://second/"}}),
    });
    CheckFileTags(late, u"", Site());
    EXPECT_EQ(late.Tags[1].Code, 5);
    EXPECT_EQ(late.Tags[2].Code, 4);
    EXPECT_EQ(Texts(late.Tags[2].Warnings),
              (Warnings{{4, u"<base> タグは既に 2 行目で記述されています。"}}));
}

TEST_F(TagChecksTest, DefectiveOrEmptyBase) {
    FileEntry twice = Page({
        Tag(u"base", kBase, 1, {{u"href", u"http://a/"}, {u"HREF", u"http://b/"}}),
        Tag(u"a", kA, 2, {{u"href", u"x.htm"}}),
    });
    CheckFileTags(twice, u"", Site());
    EXPECT_EQ(twice.Tags[0].Code, 1);
    EXPECT_EQ(Texts(twice.Tags[0].Warnings), (Warnings{{1, u"href 属性が重複定義されています。"}}));
    EXPECT_EQ(twice.Tags[0].Attrs[0].Code, 300);
    EXPECT_EQ(twice.Tags[0].Attrs[1].Code, 300);
    EXPECT_EQ(twice.Tags[1].Attrs[0].Code, 904);

    // Without an href (an id is all the scan kept) the page is its own base.
    FileEntry bare = Page({
        Tag(u"base", kBase, 1, {{u"id", u"b"}}),
        Tag(u"a", kA, 2, {{u"href", u"x.htm"}}),
        Tag(u"a", kA, 3, {{u"href", u"/y.htm"}}),
    });
    CheckFileTags(bare, u"http://host", Site());
    EXPECT_EQ(bare.Tags[0].Attrs[0].Code, 300);
    EXPECT_FALSE(InUse(bare.Anchors[0]));
    EXPECT_EQ(bare.Tags[1].Attrs[0].Target, uR"(C:\site\sub\x.htm)");
    EXPECT_EQ(bare.Tags[2].Attrs[0].Target, u"http://host/y.htm");

    FileEntry empty = Page({
        Tag(u"base", kBase, 1, {{u"href", u"\"\""}}),
        Tag(u"a", kA, 2, {{u"href", u"x.htm"}}),
    });
    CheckFileTags(empty, u"", Site());
    EXPECT_EQ(empty.Tags[0].Attrs[0].Code, 308);
    EXPECT_EQ(empty.Tags[1].Attrs[0].Code, 904);
}

TEST_F(TagChecksTest, WithoutBaseAbsolutePathsUseTheUrl) {
    CheckSet set = Site();
    set.Url = u"http://host/dir/";
    FileEntry file = Page({Tag(u"a", kA, 1, {{u"href", u"/a.htm"}})});
    CheckFileTags(file, u"http://host", set);
    EXPECT_EQ(file.Tags[0].Attrs[0].Code, 100);
    EXPECT_EQ(file.Tags[0].Attrs[0].Target, u"http://host/a.htm");

    set.Url.clear();
    FileEntry none = Page({Tag(u"a", kA, 1, {{u"href", u"/a.htm"}})});
    CheckFileTags(none, u"", set);
    EXPECT_EQ(none.Tags[0].Attrs[0].Code, 903);
}

TEST_F(TagChecksTest, RequiredAttributes) {
    struct Case {
        std::u16string name;
        std::int32_t def_index;
        std::vector<Attr> attrs;
        std::u16string text;  // empty: nothing missing
    };
    const Case cases[] = {
        {u"A",
         kA,
         {{u"target", u"_top"}},
         u"href 属性、name 属性、id 属性のいずれも設定されていません。"},
        {u"a", kA, {{u"Id", u"x"}}, u""},
        {u"a", kA, {{u"NAME", u"x"}}, u""},
        {u"LINK",
         kLink,
         {{u"rev", u"index"}},
         u"href 属性、src 属性のいずれも設定されていません。"},
        {u"link", kLink, {{u"SRC", u"x"}}, u""},
        {u"IMG", kImg, {{u"lowsrc", u"a.gif"}}, u"src 属性が設定されていません。"},
        {u"img", kImg, {{u"Src", u"a.gif"}}, u""},
        {u"p", -1, {{u"id", u"x"}}, u""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        TagEntry tag = Tag(cases[i].name, cases[i].def_index, 1, cases[i].attrs);
        EXPECT_FALSE(CheckTagAttributes(tag));
        if (cases[i].text.empty()) {
            EXPECT_EQ(tag.Code, 0);
            EXPECT_TRUE(Texts(tag.Warnings).empty());
        } else {
            EXPECT_EQ(tag.Code, 2);
            EXPECT_EQ(Texts(tag.Warnings), (Warnings{{2, cases[i].text}}));
        }
    }

    // Several missing names come in table order, whatever the order of the tag.
    LinkTags.push_back(LinkTagDef{u"zz", {{u"data", true}, {u"x", false}, {u"code", true}}});
    TagEntry tag = Tag(u"zz", static_cast<std::int32_t>(LinkTags.size() - 1), 1, {{u"x", u"1"}});
    EXPECT_FALSE(CheckTagAttributes(tag));
    EXPECT_EQ(Texts(tag.Warnings), (Warnings{{2, u"data, code 属性が設定されていません。"}}));
}

TEST_F(TagChecksTest, DuplicatedAttributesAreAllStillResolved) {
    FileEntry file = Page({Tag(u"a", kA, 1, {{u"HREF", u"a.htm"}, {u"href", u"b.htm"}})},
                          uR"(C:\site\page.htm)");
    CheckFileTags(file, u"", Site());
    const TagEntry& a = file.Tags[0];
    EXPECT_EQ(a.Code, 1);
    EXPECT_EQ(Texts(a.Warnings), (Warnings{{1, u"HREF 属性が重複定義されています。"}}));
    ASSERT_EQ(a.Attrs.size(), 2u);
    EXPECT_EQ(a.Attrs[0].Target, uR"(C:\site\a.htm)");
    EXPECT_EQ(a.Attrs[1].Target, uR"(C:\site\b.htm)");
    EXPECT_EQ(a.Attrs[0].Code, 0);
    EXPECT_EQ(a.Attrs[1].Code, 0);

    TagEntry img = Tag(
        u"img", kImg, 1,
        {{u"lowsrc", u"a"}, {u"src", u"b"}, {u"LOWSRC", u"c"}, {u"Src", u"d"}, {u"lowSrc", u"e"}});
    EXPECT_FALSE(CheckTagAttributes(img));
    EXPECT_EQ(Texts(img.Warnings), (Warnings{{1, u"lowsrc, src 属性が重複定義されています。"}}));
    EXPECT_EQ(img.Attrs[2].Name, u"LOWSRC");  // the attributes keep their names
}

TEST_F(TagChecksTest, DuplicatesTheSameForFewAndManyAttributes) {
    // Few attributes are compared pairwise, many are counted: the report must not tell which.
    for (const int pad : {0, 9, 10, 40}) {
        SCOPED_TRACE(pad);
        std::vector<Attr> attrs = {{u"lowsrc", u"a"}, {u"srcset", u"x"}, {u"src", u"b"},
                                   {u"SRCSET", u"y"}, {u"LOWSRC", u"c"}};
        for (int i = 0; i < pad; ++i) {
            const std::string n = "data-" + std::to_string(i);
            attrs.push_back({std::u16string(n.begin(), n.end()), u"v"});
        }
        attrs.push_back({u"Src", u"d"});
        attrs.push_back({u"ALT", u"e"});
        attrs.push_back({u"alt", u"f"});
        TagEntry img = Tag(u"img", kImg, 1, std::move(attrs));
        EXPECT_FALSE(CheckTagAttributes(img));
        EXPECT_EQ(Texts(img.Warnings),
                  (Warnings{{1, u"lowsrc, src, ALT 属性が重複定義されています。"}}));
    }
}

TEST_F(TagChecksTest, MissingThenDuplicated) {
    TagEntry img = Tag(u"IMG", kImg, 1, {{u"lowsrc", u"a"}, {u"lowsrc", u"b"}});
    EXPECT_FALSE(CheckTagAttributes(img));
    EXPECT_EQ(img.Code, 3);
    EXPECT_EQ(Texts(img.Warnings), (Warnings{{2, u"src 属性が設定されていません。"},
                                             {1, u"lowsrc 属性が重複定義されています。"}}));
}

TEST_F(TagChecksTest, AnchorsInDocumentOrder) {
    FileEntry file = Page({
        Tag(u"p", -1, 1, {{u"id", u"top"}}),
        Tag(u"a", kA, 2, {{u"href", u"x.htm"}, {u"NAME", u"n"}}),
        Tag(u"img", kImg, 3, {{u"src", u"a.gif"}, {u"ID", u"pic"}}),
        Tag(u"a", kA, 4, {{u"name", u"m"}, {u"id", u"m2"}}),
    });
    EXPECT_EQ(CheckFileTags(file, u"", Site()), 0);
    const std::vector<std::pair<std::int32_t, std::int32_t>> expected = {
        {0, 0}, {1, 1}, {2, 1}, {3, 0}, {3, 1}};
    ASSERT_EQ(file.Anchors.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(file.Anchors[i].TagIndex, expected[i].first);
        EXPECT_EQ(file.Anchors[i].AttrIndex, expected[i].second);
        EXPECT_EQ(file.Anchors[i].LinkCount, 0);
        EXPECT_EQ(file.Anchors[i].Duplicate, 0);
        const AttrEntry& a = file.Tags[expected[i].first].Attrs[expected[i].second];
        EXPECT_EQ(a.Code, 500);
        EXPECT_EQ(a.Target, u"");
    }
    EXPECT_EQ(file.Tags[1].Attrs[0].Code, 0);
}

TEST_F(TagChecksTest, RevMade) {
    FileEntry file = Page({
        Tag(u"LINK", kLink, 1, {{u"rev", u"made"}, {u"href", u"mailto:me@example.com"}}),
        Tag(u"link", kLink, 2, {{u"REV", u"\"Made\""}, {u"href", u"x.css"}, {u"rev", u"MADE"}}),
        Tag(u"link", kLink, 3, {{u"rev", u"author"}, {u"href", u"mailto:me@example.com"}}),
    });
    CheckFileTags(file, u"", Site());
    const TagEntry& made = file.Tags[0];
    EXPECT_TRUE(made.RevMade);
    ASSERT_EQ(made.Attrs.size(), 1u);
    EXPECT_EQ(made.Attrs[0].Name, u"href");
    EXPECT_EQ(made.Attrs[0].Code, 200);

    EXPECT_TRUE(file.Tags[1].RevMade);
    ASSERT_EQ(file.Tags[1].Attrs.size(), 1u);
    EXPECT_EQ(file.Tags[1].Attrs[0].Target, uR"(C:\site\sub\x.css)");

    // Any other rev names a relation, not a file.
    const TagEntry& other = file.Tags[2];
    EXPECT_FALSE(other.RevMade);
    ASSERT_EQ(other.Attrs.size(), 2u);
    EXPECT_EQ(other.Attrs[0].Code, 300);
    EXPECT_EQ(other.Attrs[1].Code, 905);
}

TEST_F(TagChecksTest, FreeAttributeSlotsEndTheList) {
    TagEntry no_attrs = Tag(u"body", kBody, 1, {});
    no_attrs.Attrs.resize(1);
    FileEntry file = Page({no_attrs, Tag(u"td", 19, 2, {})});
    EXPECT_EQ(CheckFileTags(file, u"", Site()), 0);
    EXPECT_EQ(file.Tags[0].Attrs[0].Code, -1);
    EXPECT_FALSE(InUse(file.Anchors[0]));
}

TEST_F(TagChecksTest, FailuresCostTheTagOrTheFile) {
    FileEntry file = Page({
        Tag(u"img", 999, 1, {{u"src", u"a.gif"}}),
        Tag(u"img", kImg, 2, {{u"src", u"b.gif"}}),
    });
    EXPECT_EQ(CheckFileTags(file, u"", Site()), 0);
    EXPECT_EQ(file.Tags[0].Code, 99);
    EXPECT_EQ(Texts(file.Tags[0].Warnings),
              (Warnings{{99, u"属性の有無のチェックに失敗しました。"}}));
    EXPECT_EQ(file.Tags[1].Attrs[0].Target, uR"(C:\site\sub\b.gif)");

    FileEntry broken = Page({
        Tag(u"base", 999, 1, {{u"href", u"http://x/"}}),
        Tag(u"img", kImg, 2, {{u"src", u"b.gif"}}),
    });
    EXPECT_EQ(CheckFileTags(broken, u"", Site()), 99);
    EXPECT_EQ(broken.Status, 99);
    EXPECT_EQ(Texts(broken.Warnings),
              (Warnings{{99, u"HTML 構造の解析中に未知のエラーを起こしました。"}}));
    EXPECT_EQ(broken.Tags[1].Attrs[0].Target, u"");
}

TEST_F(TagChecksTest, ManyAttributesStayLinear) {
    std::vector<Attr> attrs;
    for (int i = 0; i < 200000; ++i) attrs.push_back({i % 2 ? u"ID" : u"id", u"x"});
    FileEntry file = Page({Tag(u"p", -1, 1, std::move(attrs))});
    EXPECT_EQ(CheckFileTags(file, u"", Site()), 0);
    EXPECT_EQ(Texts(file.Tags[0].Warnings), (Warnings{{1, u"id 属性が重複定義されています。"}}));
    EXPECT_EQ(file.Anchors.size(), 200000u);
    EXPECT_EQ(file.Anchors.back().AttrIndex, 199999);
}

// Whole pages, as the scan leaves them.
class ScannedPageTest : public TagChecksTest {
protected:
    FileEntry Check(std::u16string_view path, std::string_view html, const CheckSet& set,
                    std::u16string_view url_head) {
        fs_.AddFile(path, html);
        std::vector<std::u16string> patterns;
        EXPECT_EQ(ToLikePatterns(patterns, {u"*.htm"}), 0);
        FileEntry file;
        file.Path = std::u16string(path);
        EXPECT_EQ(ScanFile(file, patterns), 0);
        EXPECT_EQ(CheckFileTags(file, url_head, set), 0);
        return file;
    }

    platform::MemoryFileSystem fs_;
    platform::ScopedFileSystem use_{fs_};
};

TEST_F(ScannedPageTest, HeadBaseAndBody) {
    const FileEntry file = Check(uR"(C:\site\page.htm)",
                                 "<html><head><title>t</title>\n"
                                 "<base href=\"http://www.example.com/\">\n"
                                 "<meta http-equiv=\"Refresh\" content=\"5;URL=next.htm\">\n"
                                 "</head>\n"
                                 "<body background=\"bg.gif\">\n"
                                 "<a href=\"x.htm\" name=\"top\">x</a>\n"
                                 "<BASE\nhref=\"http://late/\">\n"
                                 "<img src=\"pic.gif\" id=\"pic\">\n"
                                 "<link rev=\"made\" href=\"mailto:me@example.com\">\n"
                                 "</body></html>\n",
                                 Site(), u"");
    ASSERT_EQ(UsedCount(file.Tags), 7u);
    struct Expected {
        std::u16string tag, attr;
        std::int32_t code;
        std::u16string target;
    };
    const Expected expected[] = {
        {u"base", u"href", 300, u"http://www.example.com/"},
        {u"meta", u"content", 100, u"http://www.example.com/next.htm"},
        {u"body", u"background", 100, u"http://www.example.com/bg.gif"},
        {u"a", u"href", 100, u"http://www.example.com/x.htm"},
        {u"a", u"name", 500, u""},
        {u"BASE", u"href", 300, u""},
        {u"img", u"src", 100, u"http://www.example.com/pic.gif"},
        {u"img", u"id", 500, u""},
        {u"link", u"href", 200, u""},
    };
    size_t n = 0;
    for (size_t k = 0; k < UsedCount(file.Tags); ++k) {
        for (size_t j = 0; j < UsedCount(file.Tags[k].Attrs); ++j, ++n) {
            SCOPED_TRACE(n);
            ASSERT_LT(n, std::size(expected));
            EXPECT_EQ(file.Tags[k].Name, expected[n].tag);
            EXPECT_EQ(file.Tags[k].Attrs[j].Name, expected[n].attr);
            EXPECT_EQ(file.Tags[k].Attrs[j].Code, expected[n].code);
            EXPECT_EQ(file.Tags[k].Attrs[j].Target, expected[n].target);
        }
    }
    EXPECT_EQ(n, std::size(expected));
    EXPECT_EQ(Texts(file.Tags[4].Warnings),
              (Warnings{{4, u"<BASE> タグは既に 2 行目で記述されています。"}}));
    EXPECT_TRUE(file.Tags[6].RevMade);
    ASSERT_EQ(file.Anchors.size(), 2u);
    EXPECT_EQ(file.Anchors[0].TagIndex, 3);
    EXPECT_EQ(file.Anchors[1].TagIndex, 5);
    EXPECT_EQ(file.Anchors[1].AttrIndex, 1);
}

TEST_F(ScannedPageTest, PublishedSiteWithoutBase) {
    CheckSet set = Site();
    set.Url = u"http://host/dir/";
    const FileEntry file = Check(uR"(C:\site\sub\page.htm)",
                                 "<a href=../x.htm>1</a>\n"
                                 "<a href='../../x.htm'>2</a>\n"
                                 "<a href=\"/a.htm\">3</a>\n"
                                 "<meta http-equiv=refresh content=\"5; URL=x.htm\">\n"
                                 "<a href=\"#\">4</a>\n",
                                 set, u"http://host");
    ASSERT_EQ(UsedCount(file.Tags), 5u);
    const AttrEntry& back = file.Tags[0].Attrs[0];
    EXPECT_EQ(back.Code, 0);
    EXPECT_EQ(back.Target, uR"(C:\site\x.htm)");
    const AttrEntry& above = file.Tags[1].Attrs[0];
    EXPECT_EQ(above.Code, 102);
    EXPECT_EQ(above.Target, u"http://host/x.htm");
    EXPECT_EQ(Texts(above.Warnings),
              (Warnings{{102, u"相対パスが基準ディレクトリより上を参照しています。"}}));
    EXPECT_EQ(file.Tags[2].Attrs[0].Target, u"http://host/a.htm");
    EXPECT_EQ(Texts(file.Tags[3].Attrs[0].Warnings),
              (Warnings{{909, u"content 属性値の記述が不正です。"}}));
    EXPECT_EQ(file.Tags[4].Attrs[0].Target, uR"(C:\site\sub\page.htm#)");
}
