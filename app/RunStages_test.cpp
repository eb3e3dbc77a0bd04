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

}  // namespace
}  // namespace app
