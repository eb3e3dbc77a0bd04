#include "engine/ScanFile.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/LinkTags.h"
#include "lib/Convert.h"
#include "platform/MemoryFileSystem.h"

namespace HtmlLink {
namespace {

constexpr std::u16string_view kPage = uR"(C:\site\page.htm)";

class ScanFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        BuildLinkTagTable();
        ASSERT_EQ(ToLikePatterns(patterns_, {u"*.htm", u"*.html"}), 0);
    }

    FileEntry ScanPath(std::u16string_view path, bool modern = false) {
        FileEntry entry;
        entry.Path = path;
        status_ = ScanFile(entry, patterns_, modern);
        EXPECT_EQ(status_, entry.Status);
        return entry;
    }

    FileEntry Scan(std::string_view html, bool modern = false) {
        fs_.AddFile(kPage, html);
        return ScanPath(kPage, modern);
    }

    platform::MemoryFileSystem fs_;
    platform::ScopedFileSystem use_{fs_};
    std::vector<std::u16string> patterns_;
    std::uint8_t status_ = 255;
};

// The kept tags as text: name:DefIndex@Line, then each attribute as name=value@ValueLine.
std::u16string Kept(const FileEntry& entry) {
    std::u16string out;
    for (std::size_t t = 0; t < UsedCount(entry.Tags); ++t) {
        const TagEntry& tag = entry.Tags[t];
        if (!out.empty()) out += u" | ";
        out += tag.Name + u':' + ToDecimalPadded(tag.DefIndex + 1, 2) + u'@' + ToDecimal(tag.Line);
        for (std::size_t a = 0; a < UsedCount(tag.Attrs); ++a) {
            const AttrEntry& attr = tag.Attrs[a];
            EXPECT_TRUE(attr.Warnings.empty());
            out += u' ' + attr.Name + u'=' + attr.Value + u'@' + ToDecimal(attr.ValueLine);
        }
    }
    return out;
}

TEST_F(ScanFileTest, NamesDecideWhatIsRead) {
    const FileEntry txt = ScanPath(uR"(C:\site\x.txt)");
    EXPECT_EQ(status_, ScanNotHtml);
    EXPECT_TRUE(txt.Tags.empty());
    EXPECT_TRUE(txt.Warnings.empty());

    struct Case {
        std::u16string_view path;
        bool html;
    };
    const Case cases[] = {
        {uR"(C:\site\INDEX.HTM)", true},
        {u"C:/site/a.Html", true},
        {u"page.htm", true},
        {uR"(C:\x.htm\readme.txt)", false},
        {uR"(C:\site\a.htm.bak)", false},
        {uR"(C:\site\)", false},
        {u"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        EXPECT_EQ(IsHtmlFile(c.path, patterns_), c.html);
    }
    EXPECT_FALSE(IsHtmlFile(u"a.htm", {}));
}

TEST_F(ScanFileTest, EmptyFileHasNoTags) {
    const FileEntry entry = Scan("");
    EXPECT_EQ(status_, ScanOk);
    EXPECT_EQ(UsedCount(entry.Tags), 0u);
    EXPECT_EQ(UsedCount(entry.Anchors), 0u);
    EXPECT_TRUE(entry.Warnings.empty());
}

TEST_F(ScanFileTest, KeepsTableAttributesAndIds) {
    struct Case {
        std::string_view html;
        std::u16string_view kept;
    };
    const Case cases[] = {
        {"<A HREF=a.htm Target=_top>", u"A:01@1 HREF=a.htm@1"},
        {"<a href=\"a b.htm\" name='x'>", u"a:01@1 href=\"a b.htm\"@1 name='x'@1"},
        {"<p id=x class=y>", u"p:00@1 id=x@1"},
        {"<img src=a.gif ID=pic>", u"img:12@1 src=a.gif@1 ID=pic@1"},
        {"<IMG SRC=a.gif><imgx src=b.gif>", u"IMG:12@1 SRC=a.gif@1"},
        {"<a href2=x>", u"a:01@1"},
        {"<a href=x href=y>", u"a:01@1 href=x@1 href=y@1"},
        {"<a href id>", u"a:01@1 href=@1 id=@1"},
        {"<div class=\"x\"id=y>", u"div:00@1 id=y@1"},
        {"<DIV ID = top>", u"DIV:00@1 ID=top@1"},
        {"<p title=\" id=x\"><p data-id=y><p idx=1><p id>", u""},
        {"<!-- <p id=x> --><!DOCTYPE html id=y>", u""},
        {"</div id=end></a></td>", u"div:00@1 id=end@1"},
        {"<link rel=x href=s.css rev=made>", u"link:14@1 href=s.css@1 rev=made@1"},
        {"<base href=\"http://x/\"><body background=b.gif onload=f()>",
         u"base:04@1 href=\"http://x/\"@1 | body:06@1 background=b.gif@1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.html));
        const FileEntry entry = Scan(c.html);
        EXPECT_EQ(status_, ScanOk);
        EXPECT_EQ(Kept(entry), c.kept);
    }
}

TEST_F(ScanFileTest, MetaOnlyAsRefresh) {
    const FileEntry entry = Scan(
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
        "<META HTTP-EQUIV=REFRESH CONTENT=\"5; url=next.htm\">\n"
        "<meta http-equiv='refresh' content=0 id=m>\n"
        "<meta name=refresh content=1 id=n>");
    EXPECT_EQ(Kept(entry),
              u"META:15@2 CONTENT=\"5; url=next.htm\"@2 | meta:15@3 content=0@3 id=m@3");
}

TEST_F(ScanFileTest, LinesOfTagsAndValues) {
    // The tag begins on line 2; its attributes and values stand on the lines after it. Reading
    // makes every line break CR LF, inside values too.
    const FileEntry entry = Scan(
        "<html>\n"
        "<a\n"
        "  href=x.htm\n"
        "  name\n"
        "  =\n"
        "  \"y\"\n"
        "  id=\"multi\n"
        "line\" class=z id=w>\n"
        "<img src=a.gif>");
    EXPECT_EQ(Kept(entry),
              u"a:01@2 href=x.htm@3 name=\"y\"@6 id=\"multi\r\nline\"@7 id=w@8 | img:12@9 "
              u"src=a.gif@9");

    // Names without a value stand on their own lines too, and lines after the last kept value
    // still count for the next tag.
    const FileEntry bare = Scan("<a\nhref\n\ntitle=t\nid\n\n>\n<p id=z>");
    EXPECT_EQ(Kept(bare), u"a:01@1 href=@2 id=@5 | p:00@8 id=z@8");
}

TEST_F(ScanFileTest, EveryItemAdvancesTheLineCounter) {
    const FileEntry entry = Scan(
        "<!-- one\r\ntwo -->text\rmore\n"                     // lines 1-3
        "<meta http-equiv=Content-Type\n content=text/html>"  // passed over, lines 4-5
        "<p\nclass=x>\n\r"                                    // lines 5-6, then LF CR
        "<a href=z>");                                        // line 8
    EXPECT_EQ(Kept(entry), u"a:01@8 href=z@8");
}

TEST_F(ScanFileTest, UnclosedQuoteSwallowsTheRest) {
    const FileEntry entry = Scan("<a href=\"x.htm>\n<a href=y.htm>\n<img src=b.gif>");
    ASSERT_EQ(UsedCount(entry.Tags), 1u);
    const TagEntry& tag = entry.Tags[0];
    EXPECT_EQ(tag.Name, u"a");
    ASSERT_EQ(UsedCount(tag.Attrs), 1u);
    EXPECT_EQ(tag.Attrs[0].Name, u"href");
    EXPECT_EQ(tag.Attrs[0].Value.substr(0, 7), u"\"x.htm>");
}

TEST_F(ScanFileTest, ShiftJisTextKeepsNamesAndValues) {
    // "<a href=日本.htm>" and a line of kana text before it.
    const FileEntry entry = Scan("\x83\x65\x83\x58\x83\x67\n<a href=\x93\xfa\x96\x7b.htm>");
    EXPECT_EQ(status_, ScanOk);
    EXPECT_EQ(Kept(entry), u"a:01@2 href=日本.htm@2");
}

TEST_F(ScanFileTest, ReadFailuresAreReportedOnTheFile) {
    FileEntry entry = Scan("<a href=x.htm>");
    ASSERT_EQ(UsedCount(entry.Tags), 1u);

    fs_.FailReads(kPage);
    status_ = ScanFile(entry, patterns_);
    EXPECT_EQ(status_, ScanReadFailed);
    EXPECT_EQ(entry.Status, 2);
    EXPECT_EQ(UsedCount(entry.Tags), 0u);
    ASSERT_EQ(UsedCount(entry.Warnings), 1u);
    EXPECT_EQ(entry.Warnings[0].Code, 2);
    EXPECT_EQ(entry.Warnings[0].Text, u"ファイルの読み込みに失敗しました。");

    const FileEntry missing = ScanPath(uR"(C:\site\none.htm)");
    EXPECT_EQ(status_, ScanReadFailed);

    const FileEntry binary = Scan(std::string("\x00\x01\x02\x03\x04\x05\x06", 7));
    EXPECT_EQ(status_, ScanReadFailed);
    ASSERT_EQ(UsedCount(binary.Warnings), 1u);
    EXPECT_EQ(binary.Warnings[0].Code, 2);
}

// Hostile files end in linear time with a sound result.
TEST_F(ScanFileTest, HostileInput) {
    {
        SCOPED_TRACE("one 10 MB tag");
        std::string html = "<a href=x.htm title=\"" + std::string(10'000'000, 'x') + "\">";
        const FileEntry entry = Scan(html);
        EXPECT_EQ(Kept(entry), u"a:01@1 href=x.htm@1");
    }
    {
        SCOPED_TRACE("a million '<'");
        const FileEntry entry = Scan(std::string(1'000'000, '<') + "<a href=y>");
        EXPECT_EQ(Kept(entry), u"a:01@1 href=y@1");
    }
    {
        SCOPED_TRACE("100,000 attributes");
        std::string html = "<a";
        for (int k = 0; k < 100'000; ++k) html += " x=1";
        html += " href=z><p";
        for (int k = 0; k < 100'000; ++k) html += " id=q";
        html += ">";
        const FileEntry entry = Scan(html);
        ASSERT_EQ(UsedCount(entry.Tags), 2u);
        EXPECT_EQ(UsedCount(entry.Tags[0].Attrs), 1u);
        EXPECT_EQ(UsedCount(entry.Tags[1].Attrs), 100'000u);
    }
    {
        SCOPED_TRACE("a quote never closed");
        std::string html = "<a href=\"x.htm>\n";
        for (int k = 0; k < 200'000; ++k) html += "<p id='y' title=a>\n";
        const FileEntry entry = Scan(html);
        EXPECT_EQ(UsedCount(entry.Tags), 1u);
    }
    {
        SCOPED_TRACE("quotes closed only by the next tag");
        std::string html;
        for (int k = 0; k < 100'000; ++k) html += "<a href=\"x' id='y>\n";
        const FileEntry entry = Scan(html);
        ASSERT_EQ(UsedCount(entry.Tags), 50'000u);
        const TagEntry& last = entry.Tags.back();
        EXPECT_EQ(last.Line, 99'999);
        ASSERT_EQ(UsedCount(last.Attrs), 2u);
        EXPECT_EQ(last.Attrs[1].Value, u"'y");
    }
    {
        // Past the bytes that decide the encoding a NUL is an ordinary character.
        SCOPED_TRACE("NUL and stray bytes");
        std::string html;
        for (int k = 0; k < 50; ++k) html += "\x93\xfa";
        constexpr char kBytes[] = "<a href=x\0y.htm>\xed\xa0\x80\xff<p\0id=q id=\xfe>";
        html.append(kBytes, sizeof kBytes - 1);
        const FileEntry entry = Scan(html);
        EXPECT_EQ(status_, ScanOk);
        ASSERT_EQ(UsedCount(entry.Tags), 2u);
        EXPECT_EQ(entry.Tags[0].Attrs[0].Value, std::u16string(u"x\0y.htm", 7));
        EXPECT_EQ(entry.Tags[1].Name, std::u16string(u"p\0id=q", 6));
    }
}

}  // namespace
}  // namespace HtmlLink

namespace HtmlLink {
namespace {

TEST_F(ScanFileTest, TodaysLinksAreKeptOnlyWhenAskedFor) {
    const struct {
        const char* html;
        std::u16string_view modern;  // what the scan keeps with ModernHtml; without it, nothing
    } cases[] = {
        {"<source srcset=\"a.png 1x, b.png 2x\">",
         u"source:00@1 srcset=a.png@1 srcset=b.png@1"},
        {"<source srcset=\"a.png 640w,b.png 1280w\">",
         u"source:00@1 srcset=a.png@1 srcset=b.png@1"},
        // A comma inside a URL belongs to it; commas that end a URL separate candidates.
        {"<source srcset=\"a,1.png 2x, b.png,, c.png\">",
         u"source:00@1 srcset=a,1.png@1 srcset=b.png@1 srcset=c.png@1"},
        {"<source srcset=\"a.png (1x), b.png\">", u"source:00@1 srcset=a.png@1 srcset=b.png@1"},
        {"<source srcset=\"  \">", u""},
        {"<video src=v.mp4 poster='p.jpg'>\n</video>",
         u"video:00@1 src=v.mp4@1 poster='p.jpg'@1"},
        {"<input type=image src=b.png><input type=text src=x.png>", u"input:00@1 src=b.png@1"},
        {"<q cite=\"x.html\">q</q><del>d</del>", u"q:00@1 cite=\"x.html\"@1"},
        {"<map name=m></map>", u"map:00@1 name=m@1"},
        {"<div style=\"background:url(a.png);\n  border-image:url( 'b.png' )\">",
         u"div:00@1 style=a.png@1 style='b.png'@2"},
        {"<p style=\"background:url(p.png)\"><h1 style='background:url(h.png)'>",
         u"p:00@1 style=p.png@1 | h1:00@1 style=h.png@1"},
        {"<style>\n<!--\n@import \"x.css\";\nbody{background:URL(bg.png)}\n-->\n</style>",
         u"style:18@1 | style:00@3 @import=\"x.css\"@3 | style:00@4 url=bg.png@4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.html);
        EXPECT_EQ(Kept(Scan(c.html, true)), c.modern);
        const std::u16string before = Kept(Scan(c.html, false));
        EXPECT_TRUE(before.empty() || before == u"style:18@1") << before.size();
    }
}

TEST_F(ScanFileTest, StylesheetFilesAreReadWithModernHtml) {
    fs_.AddFile(uR"(C:\site\s.css)",
                "/* url(no.png) */ a { content: \"url(no.png)\"; background: url(a.png#x) }\n"
                "@import url(\"b.css?v=1\") screen;\n.x{background-image:url()}");
    EXPECT_EQ(Kept(ScanPath(uR"(C:\site\s.css)", true)),
              u"style:00@1 url=a.png#x@1 | style:00@2 @import=\"b.css?v=1\"@2 | style:00@3 url=@3");
    EXPECT_EQ(status_, ScanOk);
    EXPECT_TRUE(ScanPath(uR"(C:\site\s.css)", false).Tags.empty());
    EXPECT_EQ(status_, ScanNotHtml);
}

}  // namespace
}  // namespace HtmlLink

namespace HtmlLink {
namespace {

// The scan keeps its text, tag and scratch storage from file to file in the thread: a page read
// after a larger one, or after one that failed, comes out as when read first, in both readings,
// and its list of tags holds no growth reserve.
TEST_F(ScanFileTest, StorageKeptBetweenFilesLeavesNothingBehind) {
    std::string big;
    for (int k = 0; k < 6000; ++k) big += "<a href=\"b" + std::to_string(k) + ".htm\">\r\n";
    const std::string small = "<p>x</p>\r\n<img\r\n src=\"s.gif\">\r\n<a name=\"n\">\r\n";
    const std::string broken = "\x1b$BF";  // JIS cut short: unreadable
    for (bool modern : {false, true}) {
        SCOPED_TRACE(modern ? "modern" : "as before");
        const std::u16string first = Kept(Scan(small, modern));
        EXPECT_EQ(first, u"img:12@2 src=\"s.gif\"@3 | a:01@4 name=\"n\"@4");
        const FileEntry large = Scan(big, modern);
        ASSERT_EQ(UsedCount(large.Tags), 6000u);
        EXPECT_EQ(large.Tags.back().Line, 6000);
        // The values are stored in batches as the scan goes; each lands on its own attribute.
        for (std::size_t k = 0; k < 6000; ++k) {
            ASSERT_EQ(large.Tags[k].Attrs[0].Value,
                      u"\"b" + ToDecimal(static_cast<std::int64_t>(k)) + u".htm\"")
                << k;
        }
        EXPECT_EQ(large.Tags.capacity(), large.Tags.size());
        EXPECT_EQ(Kept(Scan(small, modern)), first);
        Scan(broken, modern);
        EXPECT_EQ(status_, ScanReadFailed);
        const FileEntry again = Scan(small, modern);
        EXPECT_EQ(Kept(again), first);
        EXPECT_EQ(again.Tags.capacity(), again.Tags.size());
    }
}

}  // namespace
}  // namespace HtmlLink
