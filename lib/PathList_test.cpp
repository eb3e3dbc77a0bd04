#include "lib/PathList.h"

#include <gtest/gtest.h>

#include <random>

#include "lib/VornFileList.h"

using namespace PathList;

namespace {

PathEntries Entries(std::initializer_list<const char16_t*> paths) {
    PathEntries list;
    for (const char16_t* p : paths) list.push_back({p, static_cast<std::int32_t>(list.size())});
    return list;
}

std::vector<std::u16string> Paths(const PathEntries& list) {
    std::vector<std::u16string> out;
    for (const auto& e : list) out.push_back(e.Path);
    return out;
}

}  // namespace

TEST(SortPaths, SmallAndDegenerateRanges) {
    struct Case {
        PathEntries in;
        std::int32_t lo, hi;
        std::vector<std::u16string> out;
    };
    const Case cases[] = {
        {Entries({u"only"}), 0, 0, {u"only"}},
        {Entries({u"b", u"a"}), 0, 1, {u"a", u"b"}},
        {Entries({u"c", u"b", u"a"}), 0, 2, {u"a", u"b", u"c"}},
        {Entries({u"x", u"X", u"x", u"X"}), 0, 3, {u"X", u"X", u"x", u"x"}},
        // Two of the three samples are the smallest path.
        {Entries({u"a", u"d", u"a", u"c", u"b", u"a"}), 0, 5, {u"a", u"a", u"a", u"b", u"c", u"d"}},
        {Entries({u"z", u"c", u"b", u"a", u"y"}), 1, 3, {u"z", u"a", u"b", u"c", u"y"}},
        {Entries({uR"(C:\s\a_b\x)", uR"(C:\s\a\sub\x)", uR"(C:\s\a\x)", uR"(C:\s\x)"}),
         0,
         3,
         {uR"(C:\s\a\sub\x)", uR"(C:\s\a\x)", uR"(C:\s\a_b\x)", uR"(C:\s\x)"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        PathEntries list = cases[i].in;
        EXPECT_FALSE(SortPaths(list, cases[i].lo, cases[i].hi));
        EXPECT_EQ(Paths(list), cases[i].out);
        for (const auto& e : list) EXPECT_EQ(e.Path, cases[i].in[e.FileIndex].Path);
    }
    PathEntries list = Entries({u"b", u"a"});
    EXPECT_TRUE(SortPaths(list, 0, 2));
    EXPECT_TRUE(SortPaths(list, -1, 1));
    PathEntries none;
    EXPECT_TRUE(SortPaths(none, 0, 0));
}

TEST(SortPaths, LargeRandomListKeepsOrderAndIndex) {
    std::mt19937 rng(7);
    const std::u16string letters = u"aAbB_\\.1ａＡ";
    PathEntries list;
    for (int i = 0; i < 5000; ++i) {
        std::u16string p = uR"(C:\)";
        for (int n = static_cast<int>(rng() % 6); n >= 0; --n) p += letters[rng() % letters.size()];
        list.push_back({p, i});
    }
    const PathEntries original = list;
    ASSERT_FALSE(SortPaths(list, 0, static_cast<std::int32_t>(list.size()) - 1));
    for (size_t i = 1; i < list.size(); ++i)
        ASSERT_LE(VornFileList::CompareFileNames(list[i - 1].Path, list[i].Path), 0) << i;
    std::vector<bool> seen(list.size());
    for (const auto& e : list) {
        ASSERT_EQ(e.Path, original[e.FileIndex].Path);
        seen[e.FileIndex] = true;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 5000);
}

TEST(FindPath, HitsMissesAndFailures) {
    PathEntries list = Entries({uR"(C:\s\c.htm)", uR"(C:\s\a.htm)", uR"(C:\s\e.htm)",
                                uR"(C:\s\b\i.htm)", uR"(C:\s\g.htm)"});
    ASSERT_FALSE(SortPaths(list, 0, 4));
    const std::int32_t hi = 4;
    struct Case {
        std::u16string key;
        std::int32_t file_index;  // -1: not found
    };
    const Case cases[] = {
        {uR"(C:\s\a.htm)", 1},      {uR"(C:\S\A.HTM)", 1},
        {uR"(C:\s\b\i.htm)", 3},    {uR"(C:\s\g.htm)", 4},
        {uR"(C:\s\e.htm)", 2},      {uR"(C:\s\c.htm)", 0},
        {uR"(C:\r.htm)", -1},       {uR"(C:\t.htm)", -1},
        {uR"(C:\s\d.htm)", -1},     {u"", -1},
        {uR"(C:\s\a.htm.bak)", -1},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const std::int32_t at = FindPath(list, cases[i].key, 0, hi);
        if (cases[i].file_index < 0) {
            EXPECT_EQ(at, -1);
        } else {
            ASSERT_GE(at, 0);
            EXPECT_EQ(list[at].FileIndex, cases[i].file_index);
        }
    }
    const PathEntries one = Entries({u"x"});
    EXPECT_EQ(FindPath(one, u"X", 0, 0), 0);
    EXPECT_EQ(FindPath(one, u"w", 0, 0), -1);
    EXPECT_EQ(FindPath(one, u"y", 0, 0), -1);
    EXPECT_EQ(FindPath({}, u"x", 0, 0), -2);
    EXPECT_EQ(FindPath(list, u"x", 0, 5), -2);
    EXPECT_EQ(FindPath(list, u"x", -1, 4), -2);
    EXPECT_EQ(FindPath(list, u"x", 3, 2), -2);
}

TEST(FindPath, ExactSpellingWinsAmongEqualPaths) {
    PathEntries list = Entries({u"b.htm", u"A.HTM", u"a.htm", u"A.htm", u"c.htm"});
    ASSERT_FALSE(SortPaths(list, 0, 4));
    for (const char16_t* key : {u"a.htm", u"A.htm", u"A.HTM"}) {
        const std::int32_t at = FindPath(list, key, 0, 4);
        ASSERT_GE(at, 0);
        EXPECT_EQ(list[at].Path, key);
    }
    const std::int32_t at = FindPath(list, u"a.HTM", 0, 4);
    ASSERT_GE(at, 0);
    EXPECT_TRUE(VornFileList::SameFileName(list[at].Path, u"a.HTM"));
}
