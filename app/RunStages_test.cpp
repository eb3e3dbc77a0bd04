#include "app/RunStages.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/Codes.h"
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

}  // namespace
}  // namespace app
