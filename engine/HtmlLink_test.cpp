#include "engine/HtmlLink.h"

#include <gtest/gtest.h>

namespace HtmlLink {
namespace {

TEST(AddWarning, KeepsOrderAndCountsOnlyTexts) {
    WarningList list;
    EXPECT_EQ(UsedCount(list), 0u);
    EXPECT_FALSE(AddWarning(list, 2, u"one"));
    EXPECT_FALSE(AddWarning(list, 3, u"two"));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Code, 2);
    EXPECT_EQ(list[0].Text, u"one");
    EXPECT_EQ(list[1].Code, 3);
    EXPECT_EQ(list[1].Text, u"two");
}

TEST(AddWarning, EmptyTextFillsTheLastSlotUntilTheNextCall) {
    WarningList list;
    AddWarning(list, 1, u"first");
    AddWarning(list, 7, u"");
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(UsedCount(list), 1u);

    AddWarning(list, 8, u"second");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].Code, 8);
    EXPECT_EQ(list[1].Text, u"second");
    EXPECT_EQ(UsedCount(list), 2u);

    // On a fresh list the empty entry takes the first slot and counts as nothing.
    WarningList fresh;
    AddWarning(fresh, 5, u"");
    EXPECT_EQ(UsedCount(fresh), 0u);
    AddWarning(fresh, 6, u"x");
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(fresh[0].Code, 6);
}

TEST(AppendEntry, PassesStopAtTheFirstFreeSlot) {
    std::vector<AnchorEntry> anchors;
    AppendEntry(anchors, AnchorEntry{});  // TagIndex -1: a free slot
    EXPECT_EQ(anchors.size(), 1u);
    EXPECT_EQ(UsedCount(anchors), 0u);
    AppendEntry(anchors, AnchorEntry{0, 1, 0, 0});
    AppendEntry(anchors, AnchorEntry{2, 0, 0, 0});
    ASSERT_EQ(anchors.size(), 2u);
    EXPECT_EQ(anchors[0].AttrIndex, 1);
    EXPECT_EQ(UsedCount(anchors), 2u);

    std::vector<TagEntry> tags(3);
    tags[0].Name = u"a";
    tags[2].Name = u"img";
    EXPECT_EQ(UsedCount(tags), 1u);
}

}  // namespace
}  // namespace HtmlLink
