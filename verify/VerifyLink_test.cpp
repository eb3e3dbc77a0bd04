#include "verify/VerifyLink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine/Codes.h"
#include "lib/Convert.h"
#include "verify/Anchors.h"

#include "testutil/SiteBuilder.h"

using HtmlLink::AttrEntry;
using testutil::Codes;
using testutil::SiteBuilder;
using testutil::Texts;
using Strings = std::vector<std::u16string>;

namespace {

// Every site test runs with and without the run's cache, which must not change any result.
class VerifySite : public ::testing::TestWithParam<bool> {
protected:
    void Run() { site.Run(GetParam()); }
    SiteBuilder site;
};

INSTANTIATE_TEST_SUITE_P(Cache, VerifySite, ::testing::Bool());

TEST_P(VerifySite, DirectoryLinksReachTheDefaultDocument) {
    site.Set.DefaultDocument = {u"index.html", u"index.htm"};
    site.Page(u"top.htm",
              u"<a href=\"dir/\">1</a><a href=\"dir\">2</a>\n"
              u"<a href=\"dir#top\">3</a><a href=\"dir/#top\">4</a><a href=\"dir/#none\">5</a>");
    // The second default document is taken when the first is absent.
    site.Page(uR"(dir\index.htm)", u"<a name=\"top\">x</a>");
    Run();

    const AttrEntry& slash = site.Attr(u"top.htm", u"dir/");
    EXPECT_EQ(slash.Code, 90);
    EXPECT_EQ(slash.Target, uR"(C:\site\dir\index.htm)");
    EXPECT_TRUE(Texts(slash.Warnings).empty());
    EXPECT_EQ(site.Attr(u"top.htm", u"dir").Code, 90);

    const AttrEntry& no_separator = site.Attr(u"top.htm", u"dir#top");
    EXPECT_EQ(no_separator.Code, 90);  // the anchor is still looked up and found
    EXPECT_EQ(no_separator.Target, uR"(C:\site\dir\index.htm#top)");
    EXPECT_EQ(Codes(no_separator.Warnings), std::vector<std::int32_t>{21});
    EXPECT_EQ(Texts(no_separator.Warnings),
              Strings{u"ディレクトリ名と \"#\" の間にディレクトリ区切り記号がありません。"});

    const AttrEntry& with_separator = site.Attr(u"top.htm", u"dir/#top");
    EXPECT_EQ(with_separator.Code, 90);
    EXPECT_TRUE(Texts(with_separator.Warnings).empty());

    const AttrEntry& missing = site.Attr(u"top.htm", u"dir/#none");
    EXPECT_EQ(missing.Code, 18);
    EXPECT_EQ(Texts(missing.Warnings),
              Strings{u"指定されたアンカーが見つかりません。（ファイルは存在します。）"});

    // Two links without anchor, two that found 'top'.
    EXPECT_EQ(site.FileOf(uR"(dir\index.htm)").LinkCount, 4);
    EXPECT_EQ(site.AnchorOf(uR"(dir\index.htm)", u"top").LinkCount, 2);
}

TEST_P(VerifySite, DirectoryWithoutDefaultDocument) {
    const std::u16string listing =
        u"デフォルト ドキュメントが見つからないため、ディレクトリを参照しています。";
    const std::u16string anchored =
        u"デフォルト ドキュメントが無いディレクトリに対して、アンカーを指定しています。";
    struct Case {
        std::uint8_t alert;
        std::u16string link;
        std::int32_t code;
        Strings texts;
    };
    const Case cases[] = {
        {0, u"pics/", 90, {}},
        {1, u"pics/", 11, {listing}},
        {0, u"pics/#a", 16, {anchored}},
        {1, u"pics/#a", 16, {listing, anchored}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.alert) << c.link.size());
        SiteBuilder s;
        s.Set.AlertDirListing = c.alert;
        s.Page(u"index.html", u"<a href=\"" + c.link + u"\">x</a>");
        s.File(uR"(pics\a.gif)");
        s.Run(GetParam());
        const AttrEntry& link = s.Attr(u"index.html", c.link);
        EXPECT_EQ(link.Code, c.code);
        EXPECT_EQ(Texts(link.Warnings), c.texts);
    }
}

TEST_P(VerifySite, MissingExcludedAndOutsideTargets) {
    site.Set.FilePatternXEnabled = 1;
    site.Set.FilePatternX = {u"*.bak"};
    site.Page(u"index.html",
              u"<a href=\"gone.htm\">1</a><a href=\"old.bak\">2</a><a href=\"old.bak#a\">3</a>\n"
              u"<a href=\"../out.htm\">4</a><a href=\"../out.htm#a\">5</a>\n"
              u"<a href=\"page.htm/\">6</a><a href=\"page.htm\">7</a>");
    site.Page(u"page.htm", u"");
    site.File(u"old.bak");
    site.Page(uR"(C:\out.htm)", u"<a name=\"a\">");
    Run();

    struct Case {
        std::u16string link;
        std::int32_t code;
        Strings texts;
    };
    const Case cases[] = {
        {u"gone.htm", 10, {u"リンク先のファイルが見つかりません。"}},
        {u"old.bak", 20, {u"リンク先ファイルは、無視するよう設定されています。"}},
        {u"old.bak#a", 20, {u"リンク先ファイルは、無視するよう設定されています。"}},
        {u"../out.htm", 91, {}},
        {u"../out.htm#a",
         22,
         {u"基準ディレクトリより上にあるファイルなので、アンカーの有無は検証されていません。"}},
        {u"page.htm/", 17, {u"ファイル名の末尾にディレクトリ区切り記号がついています。"}},
        {u"page.htm", 90, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.link.size() << " " << c.code);
        const AttrEntry& link = site.Attr(u"index.html", c.link);
        EXPECT_EQ(link.Code, c.code);
        EXPECT_EQ(Texts(link.Warnings), c.texts);
    }
    EXPECT_EQ(site.FileOf(u"page.htm").LinkCount, 1);
}

// Targets the search found, directories above them, and names missing from or present but
// not found in a directory of the site: the answers match the file system's.
TEST_P(VerifySite, TargetsBesideWhatTheSearchFound) {
    site.Set.FilePatternXEnabled = 1;
    site.Set.FilePatternX = {u"*.bak"};
    site.Page(uR"(a\b\page.htm)", u"");
    site.Page(u"index.html",
              u"<a href=\"a/b/page.htm\">1</a><a href=\"a/\">2</a><a href=\"a/b/none.htm\">3</a>\n"
              u"<a href=\"a/b/PAGE.htm\">4</a><a href=\"a/b/old.bak\">5</a><a href=\"a/b/\">6</a>\n"
              u"<a href=\"a/b/empty/\">7</a><a href=\"a/x/none.htm\">8</a><a href=\"a/b/empty\">9</a>");
    site.File(uR"(a\b\old.bak)");
    site.Directory(uR"(a\b\empty)");
    Run();

    const std::u16string missing = u"リンク先のファイルが見つかりません。";
    struct Case {
        std::u16string link;
        std::int32_t code;
        Strings texts;
    };
    const Case cases[] = {
        {u"a/b/page.htm", 90, {}},   {u"a/", 90, {}},      {u"a/b/none.htm", 10, {missing}},
        {u"a/b/PAGE.htm", 90, {u"ファイル名の大文字／小文字が一致しません。"}},   {u"a/b/old.bak", 20, {u"リンク先ファイルは、無視するよう設定されています。"}},
        {u"a/b/", 90, {}},           {u"a/b/empty/", 90, {}}, {u"a/x/none.htm", 10, {missing}},
        {u"a/b/empty", 90, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.link.size() << " " << c.code);
        const AttrEntry& link = site.Attr(u"index.html", c.link);
        EXPECT_EQ(link.Code, c.code);
        EXPECT_EQ(Texts(link.Warnings), c.texts);
    }
}

TEST_P(VerifySite, LetterCaseOfTheTarget) {
    for (const std::uint8_t sensitive : {1, 0}) {
        SCOPED_TRACE(int(sensitive));
        SiteBuilder s;
        s.Options.FileNameCaseSensitive = sensitive;
        s.Page(u"top.htm",
               u"<a href=\"Index.htm\">1</a><a href=\"index.htm\">2</a>"
               u"<a href=\"SUB/\">3</a><a href=\"Index.htm#t\">4</a>");
        s.Page(u"index.htm", u"<a name=\"t\">");
        s.Page(uR"(sub\index.html)", u"");
        s.Run(GetParam());

        const Strings mismatch =
            sensitive ? Strings{u"ファイル名の大文字／小文字が一致しません。"} : Strings{};
        // Found through the case-insensitive lookup: never reported as missing.
        const AttrEntry& upper = s.Attr(u"top.htm", u"Index.htm");
        EXPECT_EQ(upper.Code, 90);
        EXPECT_EQ(Texts(upper.Warnings), mismatch);
        EXPECT_TRUE(Texts(s.Attr(u"top.htm", u"index.htm").Warnings).empty());
        const AttrEntry& dir = s.Attr(u"top.htm", u"SUB/");
        EXPECT_EQ(dir.Code, 90);
        EXPECT_EQ(Texts(dir.Warnings), mismatch);
        const AttrEntry& anchored = s.Attr(u"top.htm", u"Index.htm#t");
        EXPECT_EQ(anchored.Code, 90);
        EXPECT_EQ(Texts(anchored.Warnings), mismatch);
        EXPECT_EQ(s.FileOf(u"index.htm").LinkCount, 3);
    }
}

TEST_P(VerifySite, QueryIsDroppedBeforeTheAnchor) {
    site.Page(u"index.html",
              u"<a href=\"page.htm?x=1#a\">1</a><a href=\"page.htm#a?x\">2</a>"
              u"<a href=\"page.htm?q\">3</a>");
    site.Page(u"page.htm", u"<a name=\"a\">");
    Run();

    const AttrEntry& query_first = site.Attr(u"index.html", u"page.htm?x=1#a");
    EXPECT_EQ(query_first.Code, 90);
    EXPECT_EQ(query_first.Target, uR"(C:\site\page.htm)");
    const AttrEntry& anchor_first = site.Attr(u"index.html", u"page.htm#a?x");
    EXPECT_EQ(anchor_first.Code, 90);
    EXPECT_EQ(anchor_first.Target, uR"(C:\site\page.htm#a)");
    EXPECT_EQ(site.Attr(u"index.html", u"page.htm?q").Target, uR"(C:\site\page.htm)");
    EXPECT_EQ(site.AnchorOf(u"page.htm", u"a").LinkCount, 1);
    EXPECT_EQ(site.FileOf(u"page.htm").LinkCount, 3);
}

// Where the query and the fragment end in either reading, and the target the link is left with.
TEST_P(VerifySite, QueryAndFragmentInBothReadings) {
    struct Case {
        std::u16string link;
        std::int32_t code, modern_code;
        std::u16string target, modern_target;
        std::vector<std::int32_t> warnings, modern_warnings;
    };
    const std::u16string page = uR"(C:\site\page.htm)";
    const std::u16string dir = uR"(C:\site\dir\index.html)";
    const Case cases[] = {
        {u"page.htm?x=1#a", 90, 90, page, page + u"#a", {}, {}},
        {u"page.htm#a?x", 90, 18, page + u"#a", page + u"#a?x", {}, {18}},
        {u"page.htm#b?x#a", 18, 18, page + u"#b", page + u"#b?x#a", {18}, {18}},
        {u"page.htm?q?r", 90, 90, page, page, {}, {}},
        {u"page.htm#a", 90, 90, page + u"#a", page + u"#a", {}, {}},
        {u"dir/?q#d", 90, 90, dir, dir + u"#d", {}, {}},
        {u"dir?q#d", 90, 90, dir, dir + u"#d", {}, {21}},
        {u"dir#d?q", 90, 18, dir + u"#d", dir + u"#d?q", {21}, {21, 18}},
        {u"dir/", 90, 90, dir, dir, {}, {}},
    };
    for (const std::uint8_t modern : {0, 1}) {
        SiteBuilder s;
        s.Set.ModernHtml = modern;
        std::u16string html;
        for (const Case& c : cases) html += u"<a href=\"" + c.link + u"\">x</a>\n";
        s.Page(u"index.htm", html);
        s.Page(u"page.htm", u"<a name=\"a\">");
        s.Page(uR"(dir\index.html)", u"<a name=\"d\">");
        s.Run(GetParam());
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << int(modern) << " " << c.link.size());
            const AttrEntry& link = s.Attr(u"index.htm", c.link);
            EXPECT_EQ(link.Code, modern ? c.modern_code : c.code);
            EXPECT_EQ(link.Target, modern ? c.modern_target : c.target);
            EXPECT_EQ(Codes(link.Warnings), modern ? c.modern_warnings : c.warnings);
        }
    }
}

TEST_P(VerifySite, AnchorsAreMatchedExactly) {
    site.Page(
        u"index.html",
        u"<a name=\"a\">1</a><a name=\"a\">2</a><a name=\"Top\">3</a>\n"
        u"<a name=\"b\">4</a><a id=\"B\">5</a>\n"
        u"<a href=\"#a\">x</a><a href=\"#top\">x</a><a href=\"#b\">x</a><a href=\"#B\">x</a>");
    site.Page(u"other.htm", u"<a href=\"index.html#a\">x</a><a href=\"index.html#top\">x</a>");
    Run();

    const AttrEntry& here = site.Attr(u"index.html", u"#a");
    EXPECT_EQ(here.Code, 19);
    EXPECT_EQ(Texts(here.Warnings),
              Strings{u"このアンカーは、このページ内で重複定義されています。"});
    const AttrEntry& there = site.Attr(u"other.htm", u"index.html#a");
    EXPECT_EQ(there.Code, 19);
    EXPECT_EQ(Texts(there.Warnings),
              Strings{u"このアンカーは、リンク先ファイルで重複定義されています。"});
    // Each link counts on both definitions, and on the file once per definition.
    EXPECT_EQ(site.AnchorOf(u"index.html", u"a", 0).LinkCount, 2);
    EXPECT_EQ(site.AnchorOf(u"index.html", u"a", 1).LinkCount, 2);

    const AttrEntry& top_here = site.Attr(u"index.html", u"#top");
    EXPECT_EQ(top_here.Code, 18);
    EXPECT_EQ(Texts(top_here.Warnings), Strings{u"指定されたアンカーが見つかりません。"});
    EXPECT_EQ(Texts(site.Attr(u"other.htm", u"index.html#top").Warnings),
              Strings{u"指定されたアンカーが見つかりません。（ファイルは存在します。）"});
    EXPECT_EQ(site.AnchorOf(u"index.html", u"Top").LinkCount, 0);

    // Names that differ only in letter case are two anchors, each reached by its own spelling.
    for (const std::u16string link : {u"#b", u"#B"}) {
        const AttrEntry& attr = site.Attr(u"index.html", link);
        EXPECT_EQ(attr.Code, 90);
        EXPECT_TRUE(Texts(attr.Warnings).empty());
    }
    EXPECT_EQ(site.AnchorOf(u"index.html", u"b").LinkCount, 1);
    EXPECT_EQ(site.AnchorOf(u"index.html", u"B").LinkCount, 1);
    EXPECT_EQ(site.FileOf(u"index.html").LinkCount, 6);
}

TEST_P(VerifySite, AnchorsInTargetsThatCannotBeSearched) {
    site.Page(u"index.html",
              u"<a href=\"data.txt#x\">1</a><a href=\"bad.htm#x\">2</a><a href=\"odd.htm#x\">3</a>"
              u"<a href=\"data.txt\">4</a>");
    site.File(u"data.txt", "x");
    site.Page(u"bad.htm", u"<a name=\"x\">");
    site.Fs.FailReads(uR"(C:\site\bad.htm)");
    site.Page(u"odd.htm", u"<a name=\"x\">");
    site.Scan();
    site.FileOf(u"odd.htm").Status = HtmlLink::ScanCutFailed;
    site.Verify(GetParam());

    const std::u16string tail = u"アンカーを探せません。（ファイル自体へはリンクできています。）";
    struct Case {
        std::u16string link;
        std::int32_t code;
        std::u16string text;
    };
    const Case cases[] = {
        {u"data.txt#x", 13, u"リンク先は HTML ファイルでないため、" + tail},
        {u"bad.htm#x", 14, u"リンク先ファイルの読み出しに失敗しているため、" + tail},
        {u"odd.htm#x", 15, u"リンク先ファイルの HTML 解釈に失敗しているため、" + tail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const AttrEntry& link = site.Attr(u"index.html", c.link);
        EXPECT_EQ(link.Code, c.code);
        EXPECT_EQ(Texts(link.Warnings), Strings{c.text});
    }
    // Only the link without anchor counts.
    EXPECT_EQ(site.FileOf(u"data.txt").LinkCount, 1);
    EXPECT_EQ(site.FileOf(u"bad.htm").LinkCount, 0);
    EXPECT_EQ(site.FileOf(u"odd.htm").LinkCount, 0);
}

AttrEntry LinkTo(std::u16string target) {
    AttrEntry attr;
    attr.Name = u"href";
    attr.Value = u"x";
    attr.Target = std::move(target);
    return attr;
}

// Records built by hand: failures that a scanned site cannot produce.
TEST(VerifyLink, InternalFailuresEndWithCode99) {
    const std::u16string failed = u"未知のエラーにより、リンク先の検証に失敗しました。";
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\site\a.htm)", "");
    platform::ScopedFileSystem use(fs);
    CheckSet set;
    set.LocalPath = uR"(C:\site\)";
    Settings options;
    HtmlLink::FileTable files(1);
    files[0].Path = uR"(C:\site\a.htm)";
    // An anchor entry that points past the tags of its file.
    files[0].Anchors = {HtmlLink::AnchorEntry{5, 0, 0, 0}};
    PathList::PathEntries paths{{uR"(C:\site\a.htm)", 0}};
    HtmlLink::RunContext run;
    run.Set = &set;
    run.Options = &options;
    run.Files = &files;
    run.Paths = &paths;
    HtmlLink::VerifyCache cache;

    for (HtmlLink::VerifyCache* c : {static_cast<HtmlLink::VerifyCache*>(nullptr), &cache}) {
        run.Cache = c;
        for (const std::u16string target : {u"?x", uR"(C:\site\a.htm#a)"}) {
            SCOPED_TRACE(target.size());
            AttrEntry attr = LinkTo(target);
            EXPECT_TRUE(HtmlLink::VerifyLink(run, attr));
            EXPECT_EQ(attr.Code, 99);
            EXPECT_EQ(Texts(attr.Warnings), Strings{failed});
        }
    }

    // A file index in the path list that the file table does not have.
    paths[0].FileIndex = 3;
    AttrEntry attr = LinkTo(uR"(C:\site\a.htm)");
    EXPECT_TRUE(HtmlLink::VerifyLink(run, attr));
    EXPECT_EQ(attr.Code, 99);

    HtmlLink::RunContext empty;
    AttrEntry lone = LinkTo(uR"(C:\site\a.htm)");
    EXPECT_TRUE(HtmlLink::VerifyLink(empty, lone));
    EXPECT_EQ(lone.Code, 99);
}

// A run over the site's tables, without a cache.
HtmlLink::RunContext RunOf(SiteBuilder& site) {
    HtmlLink::RunContext run;
    run.Set = &site.Set;
    run.Options = &site.Options;
    run.Files = &site.Files;
    run.Paths = &site.Paths;
    return run;
}

// The caches of one run's threads share what the path list and the anchors tell, and each
// answers as a cache of its own would.
TEST(VerifyCache, CachesOfOneRunShareTheSiteIndex) {
    using Kind = VornFilePath::PathKind;
    SiteBuilder site;
    site.Page(u"index.html", u"<a name=\"x\">1</a><a name=\"y\">2</a><a id=\"x\">3</a>");
    site.Page(uR"(sub\page.htm)", u"");
    site.File(u"notes.txt", "x");
    site.Scan();
    platform::ScopedFileSystem use(site.Fs);
    HtmlLink::RunContext run = RunOf(site);
    HtmlLink::VerifyCache first;
    HtmlLink::VerifyCache second(first, run);

    struct Case {
        std::u16string path;
        Kind kind;
        bool listed;  // found by FindPath
    };
    const Case cases[] = {
        {uR"(C:\site\index.html)", Kind::File, true},
        {uR"(C:\site\INDEX.HTML)", Kind::File, true},
        {uR"(C:\site\sub\page.htm)", Kind::File, true},
        {uR"(C:\site\notes.txt)", Kind::File, true},
        {uR"(C:\site\sub)", Kind::Directory, false},
        {uR"(C:\site\sub\)", Kind::Directory, false},
        {uR"(C:\site\gone.htm)", Kind::None, false},
        {uR"(C:\site\sub\gone\x.htm)", Kind::None, false},
        {uR"(C:\elsewhere\a.htm)", Kind::None, false},
    };
    for (HtmlLink::VerifyCache* cache : {&second, &first}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (cache == &first) << " " << c.path.size());
            EXPECT_EQ(cache->PathKind(run, c.path), c.kind);
            EXPECT_EQ(cache->PathKind(run, c.path), c.kind);
            const std::int32_t position = cache->FindPath(site.Paths, c.path);
            EXPECT_EQ(position, PathList::FindPath(site.Paths, c.path, 0,
                                                   std::int32_t(site.Paths.size()) - 1));
            EXPECT_EQ(position >= 0, c.listed);
            std::int32_t at_once = -2;
            cache->PathKind(run, c.path, at_once);
            // Only a path spelt as found is answered from the one lookup.
            if (at_once >= 0) {
                EXPECT_EQ(at_once, position);
            }
        }
    }

    // One index of the anchors, both names of 'x' in list order.
    const std::int32_t index_page = site.Paths[std::size_t(second.FindPath(
                                        site.Paths, uR"(C:\site\index.html)"))].FileIndex;
    std::span<const std::int32_t> mine, theirs;
    ASSERT_TRUE(second.AnchorsNamed(site.Files, index_page, u"x", false, mine));
    ASSERT_TRUE(first.AnchorsNamed(site.Files, index_page, u"x", false, theirs));
    EXPECT_EQ(std::vector<std::int32_t>(mine.begin(), mine.end()),
              (std::vector<std::int32_t>{0, 2}));
    EXPECT_EQ(mine.data(), theirs.data());
    ASSERT_TRUE(first.AnchorsNamed(site.Files, index_page, u"X", false, theirs));
    EXPECT_TRUE(theirs.empty());
}

// What a run leaves: each link's code, target and warnings, each file's and anchor's count.
std::vector<std::u16string> Outcome(const HtmlLink::FileTable& files) {
    std::vector<std::u16string> out;
    for (const HtmlLink::FileEntry& file : files) {
        out.push_back(file.Path + u" " + ToDecimal(file.LinkCount));
        for (const HtmlLink::AnchorEntry& anchor : file.Anchors)
            out.push_back(ToDecimal(anchor.LinkCount));
        for (const HtmlLink::TagEntry& tag : file.Tags) {
            for (const AttrEntry& attr : tag.Attrs) {
                std::u16string line = ToDecimal(attr.Code) + u" " + attr.Target;
                for (const std::u16string& text : Texts(attr.Warnings)) line += u" " + text;
                out.push_back(line);
            }
        }
    }
    return out;
}

// Many links share one target text; what the cache remembers about a text answers each of them
// as asking afresh does: directories with and without fragments, fragments a stylesheet drops,
// letter case, queries, '#top', percent-encoded fragments and missing files.
TEST(VerifyCache, SharedTargetsAnswerAsAskingAfresh) {
    auto build = [](SiteBuilder& s, std::uint8_t modern) {
        s.Set.ModernHtml = modern;
        s.Options.FileNameCaseSensitive = 1;
        const std::u16string links =
            u"<a href=\"d/#x\">1</a><a href=\"d/#y\">2</a><a href=\"d/\">3</a><a href=\"d\">4</a>"
            u"<a href=\"D/index.html#x\">5</a><a href=\"p1.htm#a\">6</a><a href=\"P1.htm#a\">7</a>"
            u"<a href=\"p1.htm#top\">8</a><a href=\"gone.htm\">9</a><a href=\"p1.htm?q#a\">10</a>"
            u"<a href=\"p1.htm#%61\">11</a><a href=\"#x\">12</a><a href=\"d/#top\">13</a>"
            u"<div style=\"background:url(d/#x)\"></div><style>@import \"d/#y\";</style>";
        for (int k = 0; k < 6; ++k)
            s.Page(u"p" + ToDecimal(k) + u".htm", u"<a name=\"a\" id=\"x\">x</a>" + links);
        s.Page(uR"(d\index.html)", u"<a id=\"x\">x</a><a id=\"x\">y</a>" + links);
        s.Scan();
    };
    for (const std::uint8_t modern : {0, 1}) {
        SCOPED_TRACE(modern);
        SiteBuilder remembered, afresh;
        build(remembered, modern);
        build(afresh, modern);
        ASSERT_TRUE(remembered.Attr(u"p0.htm", u"d/#x").Target.SharesWith(
            remembered.Attr(u"p1.htm", u"d/#x").Target));
        remembered.Verify(true);
        afresh.Verify(false);
        EXPECT_EQ(Outcome(remembered.Files), Outcome(afresh.Files));
    }
}

// Threads that verify at once, each with its cache sharing the first one's index and with its
// own counts, leave the tables as one thread does: the anchor indexes they build at the same
// time for the same target files included.
TEST(VerifyCache, ThreadsSharingTheIndexAgreeWithOneThread) {
    auto build = [](SiteBuilder& s) {
        s.Set.ModernHtml = 1;
        for (int k = 0; k < 64; ++k) {
            const std::u16string n = ToDecimal(k);
            s.Page(u"p" + n + u".htm",
                   u"<a name=\"a\">x</a><a id=\"b" + ToDecimal(k % 3) + u"\">y</a>\n"
                   u"<a href=\"p" + ToDecimal((k * 7) % 64) + u".htm#b1\">1</a>"
                   u"<a href=\"p" + ToDecimal((k + 1) % 64) + u".htm#a\">2</a>"
                   u"<a href=\"p" + ToDecimal(k % 5) + u".htm#top\">3</a>"
                   u"<a href=\"d" + ToDecimal(k % 4) + u"/\">4</a>"
                   u"<a href=\"gone" + ToDecimal(k % 3) + u".htm\">5</a>");
        }
        s.Page(uR"(d0\index.html)", u"<a href=\"../p1.htm#b9\">6</a>");
        s.Directory(uR"(d1)");
        s.Scan();
    };
    auto verify = [](HtmlLink::RunContext& run, std::size_t i) {
        HtmlLink::FileEntry& file = (*run.Files)[i];
        if (file.Status != HtmlLink::ScanOk) return;
        for (HtmlLink::TagEntry& tag : file.Tags) {
            for (AttrEntry& attr : tag.Attrs) {
                if (HtmlLink::IsLocalLink(attr.Code)) {
                    EXPECT_FALSE(HtmlLink::VerifyLink(run, attr, file.Encoding));
                }
            }
        }
    };

    SiteBuilder alone;
    build(alone);
    alone.Verify();

    SiteBuilder site;
    build(site);
    platform::ScopedFileSystem use(site.Fs);
    HtmlLink::RunContext run = RunOf(site);
    HtmlLink::VerifyCache first;
    struct Worker {
        HtmlLink::RunContext run;
        std::unique_ptr<HtmlLink::VerifyCache> cache;
        HtmlLink::LinkCounts counts;
    };
    std::vector<Worker> workers(3);
    for (Worker& w : workers) {
        w.run = run;
        w.cache = std::make_unique<HtmlLink::VerifyCache>(first, run);
        w.run.Cache = w.cache.get();
        w.run.Counts = &w.counts;
    }
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> threads;
    for (Worker& w : workers) {
        threads.emplace_back([&] {
            for (std::size_t i; (i = next.fetch_add(1)) < site.Files.size();) verify(w.run, i);
        });
    }
    for (std::thread& t : threads) t.join();
    for (const Worker& w : workers) HtmlLink::AddLinkCounts(site.Files, w.counts);
    EXPECT_FALSE(HtmlLink::ReportUnlinked(run));

    EXPECT_EQ(Outcome(site.Files), Outcome(alone.Files));
}

// The index of a file's anchors answers as a walk over the list does, for names that share a
// probe chain, differ in letter case only, repeat, are empty or are missing.
TEST(VerifyCache, AnchorIndexAgreesWithTheList) {
    SiteBuilder site;
    Strings names;
    for (int k = 0; k < 40; ++k) names.push_back(u"n" + ToDecimal(k % 13));
    names.insert(names.end(), {u"N1", u"", u"top", u"Top", u"n1", u"a&amp;b", u"longer-name-9"});
    std::u16string html;
    for (const std::u16string& name : names) html += u"<a name=\"" + name + u"\">x</a>";
    site.Page(u"index.html", html);
    site.Scan();
    platform::ScopedFileSystem use(site.Fs);
    HtmlLink::RunContext run = RunOf(site);
    Strings asked = names;
    asked.insert(asked.end(), {u"n13", u"N2", u"a&b", u"longer-name-", u"x"});
    for (const bool modern : {false, true}) {
        // A run reads the names one way; each reading gets a cache of its own.
        HtmlLink::VerifyCache cache;
        std::int32_t position = -1;
        cache.PathKind(run, uR"(C:\site\index.html)", position);
        ASSERT_GE(position, 0);
        const std::int32_t file = site.Paths[std::size_t(position)].FileIndex;
        for (const std::u16string& name : asked) {
            SCOPED_TRACE(testing::Message() << "modern " << modern << ", name #"
                                            << (&name - asked.data()));
            std::vector<std::int32_t> walked;
            const HtmlLink::FileEntry& entry = site.Files[std::size_t(file)];
            for (std::size_t k = 0; k < entry.Anchors.size(); ++k) {
                const HtmlLink::AnchorEntry& a = entry.Anchors[k];
                if (!HtmlLink::InUse(a)) break;
                const AttrEntry& attr = entry.Tags[std::size_t(a.TagIndex)].Attrs[std::size_t(a.AttrIndex)];
                if (HtmlLink::AnchorName(attr, modern) == name) walked.push_back(std::int32_t(k));
            }
            std::span<const std::int32_t> found;
            ASSERT_TRUE(cache.AnchorsNamed(site.Files, file, name, modern, found));
            EXPECT_EQ(std::vector<std::int32_t>(found.begin(), found.end()), walked);
        }
    }
}

// Links of two pages that share one target text are still read in their own pages' encodings,
// and a fragment is looked up in the file each of them reaches.
TEST(VerifyCache, SharedTargetsKeepTheirPagesEncodings) {
    SiteBuilder site;
    site.Set.ModernHtml = 1;
    site.File(u"euc.html", "<p>\xC6\xFC\xCB\xDC\xB8\xEC</p><a href=\"%C9%BD.html#a\">x</a>");
    site.File(u"sjis.html", "<a href=\"%C9%BD.html#a\">x</a>");
    site.Page(u"表.html", u"<a name=\"a\">x</a>");
    site.Page(u"ﾉｽ.html", u"<a name=\"b\">x</a>");
    site.Scan();
    const AttrEntry& euc = site.Attr(u"euc.html", u"%C9%BD.html#a");
    const AttrEntry& sjis = site.Attr(u"sjis.html", u"%C9%BD.html#a");
    ASSERT_TRUE(euc.Target.SharesWith(sjis.Target));
    site.Verify();
    EXPECT_EQ(euc.Code, HtmlLink::kVerified);
    EXPECT_EQ(euc.Target, uR"(C:\site\表.html#a)");
    EXPECT_EQ(sjis.Code, HtmlLink::kAnchorMissing);
    EXPECT_EQ(sjis.Target, uR"(C:\site\ﾉｽ.html#a)");
}

TEST(NormalizeList, TrimsFoldsAndCloses) {
    struct Case {
        Strings in, out;
        std::int32_t count;
    };
    const Case cases[] = {
        {{u"  a.htm\t", u"A.HTM", u"", u"b.htm"}, {u"a.htm", u"b.htm"}, 2},
        {{u"", u" ", u"\"\""}, {u""}, 0},
        {{}, {u""}, 0},
        {{u"", u"\"x.htm\"", u"", u"y", u"X.htm", u"y"}, {u"x.htm", u"y"}, 2},
        // Full-width letters never fold, so these are two names.
        {{u"ａ.htm", u"Ａ.htm"}, {u"ａ.htm", u"Ａ.htm"}, 2},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        Strings list = cases[i].in;
        EXPECT_EQ(HtmlLink::NormalizeList(list), cases[i].count);
        EXPECT_EQ(list, cases[i].out);
    }
}

}  // namespace
