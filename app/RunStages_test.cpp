#include "app/RunStages.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/Codes.h"
#include "lib/Convert.h"
#include "platform/FileSystem.h"
#include "testutil/SiteBuilder.h"

namespace app {
namespace {

// A stop requested from outside (the command line's Ctrl-C) ends the work on a huge page at
// once: what the scan or the tag checks were doing is given up, and links not yet verified stay
// unverified instead of being reported on.
class StopInsideAFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::u16string html;
        for (int k = 0; k < 20000; ++k) html += u"<a href=\"b.htm\">b</a>\n";
        site_.Page(u"a.htm", html);
        site_.Page(u"b.htm", u"<a href=\"a.htm\">a</a>");
    }
    void TearDown() override { HtmlLink::StopRequested = false; }

    std::size_t Tags() { return HtmlLink::UsedCount(site_.FileOf(u"a.htm").Tags); }

    testutil::SiteBuilder site_;
};

TEST_F(StopInsideAFile, ScanAndTagChecksGiveUpTheFile) {
    HtmlLink::StopRequested = true;
    site_.Scan();
    EXPECT_EQ(Tags(), 0u);
    EXPECT_EQ(site_.FileOf(u"a.htm").Status, HtmlLink::ScanOk);
    // A small page has no moment to look at the request and is read whole.
    EXPECT_EQ(HtmlLink::UsedCount(site_.FileOf(u"b.htm").Tags), 1u);
}

TEST_F(StopInsideAFile, VerificationLeavesTheRestUnverified) {
    site_.Scan();
    ASSERT_EQ(Tags(), 20000u);
    HtmlLink::StopRequested = true;
    site_.Verify();
    const HtmlLink::FileEntry& a = site_.FileOf(u"a.htm");
    std::size_t verified = 0, waiting = 0;
    for (std::size_t t = 0; t < Tags(); ++t) {
        const std::int32_t code = a.Tags[t].Attrs[0].Code;
        (HtmlLink::IsLocalLink(code) ? waiting : verified) += 1;
    }
    EXPECT_GT(waiting, 10000u);
    EXPECT_GT(verified, 0u);
    EXPECT_EQ(verified + waiting, 20000u);
}

// Verification walks a page's local links a few links ahead of itself; every local link is
// still verified once, in tags with several links, none, or links of other kinds between.
TEST(VerifyFileLinks, VerifiesEveryLocalLinkOnce) {
    testutil::SiteBuilder site;
    std::u16string html = u"<p id=\"top\">";
    for (int k = 0; k < 30; ++k) {
        html += u"<a href=\"b.htm\">b</a><a href=\"http://x.jp/\">x</a><p>text</p>"
                u"<img src=\"b.htm\"><a href=\"#top\"></a><a name=\"n" + std::u16string(k + 1, u'n') +
                u"\" href=\"b.htm#m\"></a><area href=\"gone.htm\">\n";
    }
    site.Page(u"a.htm", html);
    site.Page(u"b.htm", u"<a name=\"m\"></a>");
    site.Run();
    const HtmlLink::FileEntry& a = site.FileOf(u"a.htm");
    std::size_t missing = 0;
    for (const HtmlLink::TagEntry& tag : a.Tags) {
        for (const HtmlLink::AttrEntry& attr : tag.Attrs) {
            if (attr.Name.empty()) continue;
            EXPECT_FALSE(HtmlLink::IsLocalLink(attr.Code));
            if (attr.Code == HtmlLink::kTargetMissing) ++missing;
        }
    }
    EXPECT_EQ(missing, 30u);
    // b.htm: thirty plain links, thirty images and thirty links to its anchor.
    EXPECT_EQ(site.FileOf(u"b.htm").LinkCount, 90);
    EXPECT_EQ(site.AnchorOf(u"b.htm", u"m").LinkCount, 30);
    EXPECT_EQ(site.AnchorOf(u"a.htm", u"top").LinkCount, 30);
}

// Grouped by target, every local link lands in one group, and all the links to one path in the
// same one, however they spell it and whatever fragment they carry: verified group by group,
// the links to a path are all verified, or none yet. In the end every link has the result it
// gets page by page.
TEST(TargetOrder, GroupsEveryLinkToAPathTogether) {
    const int pages = 60;
    const auto page = [](int k) { return u"p" + ToDecimal(k) + u".htm"; };
    const auto make = [&](testutil::SiteBuilder& site) {
        for (int k = 0; k < pages; ++k) {
            std::u16string html = u"<a name=\"a\"></a><p id=\"s\">";
            html += u"<a href=\"" + page((k * 7 + 1) % pages) + u"#a\">n</a>";
            html += u"<a href=\"./" + page((k * 7 + 1) % pages) + u"\">n</a>";
            html += u"<a href=\"sub/../" + page((k * 11 + 3) % pages) + u"#s\">n</a>";
            html += u"<a href=\"#s\">self</a><a href=\"gone" + ToDecimal(k % 5) +
                    u".htm#s\">g</a><a href=\"http://x.jp/\">x</a><a href=\"#b\">b</a>";
            site.Page(page(k), html);
        }
        site.Scan();
    };
    testutil::SiteBuilder by_page;
    make(by_page);
    by_page.Verify();
    testutil::SiteBuilder site;
    make(site);

    TargetOrder order;
    std::vector<std::uint64_t> links;
    std::size_t gathered = 0;
    for (HtmlLink::FileEntry& file : site.Files) {
        ASSERT_TRUE(TargetOrder::Gather(file, links));
        gathered += links.size();
        order.Add(links);
    }
    EXPECT_EQ(gathered, 6u * pages);
    ASSERT_TRUE(order.Arrange());
    ASSERT_GT(order.Groups(), 1u);

    platform::ScopedFileSystem use(site.Fs);
    HtmlLink::VerifyCache cache(site.Files.size());
    HtmlLink::RunContext run;
    run.Set = &site.Set;
    run.Options = &site.Options;
    run.Files = &site.Files;
    run.Paths = &site.Paths;
    run.Cache = &cache;
    // The path each local link leads to, as it was resolved before the verification.
    std::vector<std::pair<HtmlLink::AttrEntry*, std::u16string>> local;
    for (HtmlLink::FileEntry& file : site.Files) {
        for (HtmlLink::TagEntry& tag : file.Tags) {
            for (HtmlLink::AttrEntry& attr : tag.Attrs) {
                if (!HtmlLink::IsLocalLink(attr.Code)) continue;
                const std::u16string_view target = attr.Target;
                local.emplace_back(&attr, std::u16string(target.substr(0, target.find(u'#'))));
            }
        }
    }
    ASSERT_EQ(local.size(), gathered);
    for (std::size_t g = 0; g < order.Groups(); ++g) {
        EXPECT_FALSE(order.VerifyGroup(run, g));
        std::map<std::u16string, std::pair<int, int>> done;  // verified, waiting
        for (const auto& [attr, path] : local)
            (HtmlLink::IsLocalLink(attr->Code) ? done[path].second : done[path].first) += 1;
        for (const auto& [path, count] : done)
            EXPECT_TRUE(count.first == 0 || count.second == 0) << g;
    }

    ASSERT_EQ(site.Files.size(), by_page.Files.size());
    for (std::size_t f = 0; f < site.Files.size(); ++f) {
        const HtmlLink::FileEntry& a = site.Files[f];
        const HtmlLink::FileEntry& b = by_page.Files[f];
        EXPECT_EQ(a.LinkCount, b.LinkCount) << f;
        ASSERT_EQ(a.Tags.size(), b.Tags.size());
        for (std::size_t t = 0; t < a.Tags.size(); ++t) {
            ASSERT_EQ(a.Tags[t].Attrs.size(), b.Tags[t].Attrs.size());
            for (std::size_t n = 0; n < a.Tags[t].Attrs.size(); ++n) {
                const HtmlLink::AttrEntry& x = a.Tags[t].Attrs[n];
                const HtmlLink::AttrEntry& y = b.Tags[t].Attrs[n];
                EXPECT_EQ(x.Code, y.Code);
                EXPECT_EQ(x.Target.view(), y.Target.view());
                EXPECT_EQ(testutil::Texts(x.Warnings), testutil::Texts(y.Warnings));
            }
        }
        ASSERT_EQ(a.Anchors.size(), b.Anchors.size());
        for (std::size_t n = 0; n < a.Anchors.size(); ++n)
            EXPECT_EQ(a.Anchors[n].LinkCount, b.Anchors[n].LinkCount);
    }
}

}  // namespace
}  // namespace app
