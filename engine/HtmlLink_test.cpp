#include "engine/HtmlLink.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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

// The records are what a large site's memory is made of; growing them is a decision.
static_assert(sizeof(TableText) == 8);
static_assert(sizeof(WarningList) == sizeof(void*));
static_assert(sizeof(AttrEntry) <= 40);
static_assert(sizeof(TagEntry) <= 72);

TEST(TableText, HoldsEveryLengthOnEitherSideOfTheInlineLimit) {
    const std::u16string long_text = uR"(C:\site\directory\page.htm#anchor)";
    for (std::size_t n : {0u, 1u, 3u, 4u, 7u, 8u, 40u}) {
        const std::u16string s =
            long_text.substr(0, std::min(n, long_text.size())) +
            std::u16string(n > long_text.size() ? n - long_text.size() : 0, u'x');
        TableText t(s);
        EXPECT_EQ(t.size(), n);
        EXPECT_EQ(t.view(), s);
        EXPECT_EQ(t.empty(), n == 0);
        EXPECT_EQ(t.str(), s);

        TableText copy = t;
        TableText moved = std::move(t);
        EXPECT_EQ(copy.view(), s);
        EXPECT_EQ(moved.view(), s);
        EXPECT_TRUE(t.empty());  // NOLINT: a moved-from text is empty
        copy = u"other";
        EXPECT_EQ(moved.view(), s);
        moved.clear();
        EXPECT_TRUE(moved.empty());
    }
}

TEST(TableText, JoinsAndComparesLikeAString) {
    TableText t(uR"(C:\site\a.htm)");
    t += u'#';
    t += u"top";
    EXPECT_EQ(t, uR"(C:\site\a.htm#top)");
    EXPECT_EQ(t.find(u'#'), 13u);
    EXPECT_EQ(u"<" + TableText(u"a") + u">", u"<a>");

    TableText joined;
    joined.assign({u"abc", u"", u"defghijk"});
    EXPECT_EQ(joined, u"abcdefghijk");
    // Joining onto itself reads the old text before it is replaced.
    joined.assign({joined, u"/", joined});
    EXPECT_EQ(joined, u"abcdefghijk/abcdefghijk");
    TableText short_text(u"ab");
    short_text += u"c";
    EXPECT_EQ(short_text, u"abc");
}

TEST(TableText, EqualTextsShareOneBlockThatOutlivesEachHolder) {
    const std::u16string path = uR"(C:\site\d001\p002.htm)";
    auto first = std::make_unique<TableText>(path);
    TableText second(path);
    TableText other(uR"(C:\site\d001\p003.htm)");
    EXPECT_TRUE(first->SharesWith(second));
    EXPECT_FALSE(first->SharesWith(other));
    first.reset();
    EXPECT_EQ(second, path);

    // Short texts are held inline and share nothing.
    TableText a(u"id"), b(u"id");
    EXPECT_FALSE(a.SharesWith(b));
}

TEST(TableText, TextsOutliveATableSizedForAnotherSiteOrReleased) {
    const std::u16string path = uR"(C:\site\d001\p002.htm)";
    TableText before(path);
    // A big site's run replaces this thread's table; what the old one shared stays readable.
    TableText::SizeRecentTexts(100'000);
    TableText after(path);
    TableText again(path);
    EXPECT_EQ(before, path);
    EXPECT_EQ(after, path);
    EXPECT_TRUE(after.SharesWith(again));
    TableText::SizeRecentTexts(0);
    EXPECT_FALSE(TableText(path).SharesWith(again));
    EXPECT_TRUE(TableText(path).SharesWith(TableText(path)));
    // Released after a run, and released again: a new table starts with the next text.
    TableText kept(path);
    TableText::ReleaseRecentTexts();
    TableText::ReleaseRecentTexts();
    EXPECT_EQ(kept, path);
    TableText fresh(path);
    EXPECT_FALSE(fresh.SharesWith(kept));
    EXPECT_TRUE(fresh.SharesWith(TableText(path)));
}

TEST(TableText, KnownTextsAreSharedWhileInUse) {
    std::vector<std::u16string> paths;
    for (int k = 0; k < 3000; ++k) {
        paths.push_back(uR"(C:\site\p)" + std::u16string(k % 97 + 1, u'x') + u'\\' +
                        std::u16string(k / 97 + 1, u'y') + u".htm");
    }
    paths.push_back(paths[5]);  // a repeat is held once
    paths.push_back(u"abc");    // inline: nothing to share
    // Made on a thread of its own, whose recent texts go with it: what shares below shares
    // through the set.
    std::unique_ptr<KnownTexts> made;
    std::thread([&] { made = std::make_unique<KnownTexts>(paths); }).join();
    const KnownTexts& known = *made;
    for (const std::u16string& p : paths) {
        if (p.size() <= 3) {
            EXPECT_EQ(known.Find(p), nullptr);
            continue;
        }
        const TableText* t = known.Find(p);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(*t, p);
    }
    EXPECT_EQ(known.Find(paths[7] + u"#top"), nullptr);
    EXPECT_EQ(known.Find(uR"(C:\SITE\px\y.htm)"), nullptr);  // letter case counts

    TableText a;
    TableText::UseKnownTexts(&known);
    a.AssignKnown(paths[1234]);
    EXPECT_TRUE(a.SharesWith(*known.Find(paths[1234])));
    TableText other;
    other.AssignKnown(u"C:\\elsewhere\\page.htm");
    EXPECT_EQ(other, u"C:\\elsewhere\\page.htm");
    TableText::UseKnownTexts(nullptr);
    TableText c;
    c.AssignKnown(paths[2000]);
    EXPECT_FALSE(c.SharesWith(*known.Find(paths[2000])));
    EXPECT_EQ(c, paths[2000]);
}

TEST(TableText, ABatchIsAssignedAsOneByOne) {
    // Paths of a known set, texts repeated within the batch and across its groups, inline
    // texts, names of link tags, and targets that held a text before.
    std::vector<std::u16string> paths;
    for (int k = 0; k < 40; ++k) paths.push_back(uR"(C:\site\d)" + std::u16string(k + 1, u'7') + u".htm");
    // Made on a thread of its own, as in the test above: shared below means shared through the set.
    std::unique_ptr<KnownTexts> made;
    std::thread([&] { made = std::make_unique<KnownTexts>(paths); }).join();
    const KnownTexts& known = *made;
    std::vector<std::u16string> texts;
    for (int k = 0; k < 100; ++k) {
        switch (k % 5) {
            case 0: texts.push_back(paths[static_cast<std::size_t>(k) % paths.size()]); break;
            case 1: texts.push_back(u"\"../d" + std::u16string(k % 13 + 1, u'3') + u"/#top\""); break;
            case 2: texts.push_back(k % 2 ? u"#a" : u""); break;
            case 3: texts.push_back(u"href"); break;
            default: texts.push_back(paths[3] + u"#s" + std::u16string(k % 3 + 1, u'1')); break;
        }
    }
    for (const bool use_known : {false, true}) {
        TableText::UseKnownTexts(&known);
        std::vector<TableText> batched(texts.size(), TableText(u"an older text here"));
        std::vector<TableText::Assignment> batch;
        for (std::size_t k = 0; k < texts.size(); ++k) batch.push_back({&batched[k], texts[k]});
        TableText::AssignEach(batch, use_known);
        for (std::size_t k = 0; k < texts.size(); ++k) {
            TableText single;
            if (use_known)
                single.AssignKnown(texts[k]);
            else
                single = TableText(texts[k]);
            EXPECT_EQ(batched[k], texts[k]) << k;
            EXPECT_EQ(batched[k].SharesWith(single), single.BlockOrNull() != nullptr) << k;
            const TableText* in_set = known.Find(texts[k]);
            EXPECT_EQ(in_set && batched[k].SharesWith(*in_set), use_known && in_set) << k;
        }
        TableText::UseKnownTexts(nullptr);
    }
}

TEST(TableText, NamesOfLinkTagsShareOneBlockOnEveryThread) {
    // Each thread shares recent texts only with itself; the common names are shared by all,
    // and outlive every holder.
    const std::u16string_view names[] = {u"href", u"background", u"formaction", u"script"};
    std::vector<TableText> there;
    std::thread([&] {
        for (const std::u16string_view n : names) there.emplace_back(n);
    }).join();
    for (std::size_t k = 0; k < std::size(names); ++k) {
        TableText here(names[k]);
        EXPECT_TRUE(here.SharesWith(there[k])) << k;
        there[k] = TableText();
        TableText copy = here;
        here = TableText();
        EXPECT_EQ(copy, names[k]);
        EXPECT_EQ(TableText(names[k]), names[k]);
    }
    // Letter case counts, and other texts are not shared between threads.
    std::vector<TableText> other;
    std::thread([&] {
        other.emplace_back(u"HREF");
        other.emplace_back(u"hrefs");
    }).join();
    EXPECT_FALSE(TableText(u"HREF").SharesWith(other[0]));
    EXPECT_FALSE(TableText(u"hrefs").SharesWith(other[1]));
}

TEST(TableText, BlocksSharedAcrossThreadsAreFreedOnce) {
    // Texts made on one thread are copied and dropped on others, as the scan threads' tables
    // are read and released by the run; under the sanitizers this finds a racy count.
    std::vector<TableText> made;
    for (int k = 0; k < 200; ++k)
        made.emplace_back(u"http://www.example.jp/" + std::u16string(k % 7 + 8, u'a'));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&made] {
            for (int round = 0; round < 50; ++round) {
                std::vector<TableText> copies(made.begin(), made.end());
                for (TableText& c : copies) c = TableText(c.view());
            }
        });
    }
    for (std::thread& t : threads) t.join();
    made.clear();
    TableText after(u"http://www.example.jp/aaaaaaaa");
    EXPECT_EQ(after.size(), 30u);
}

AttrEntry NamedAttr(std::u16string_view name) {
    AttrEntry a;
    a.Name = name;
    a.Value = u"\"" + std::u16string(name) + u".htm\"";
    return a;
}

TEST(AttrList, GrowsFromItsInlineSlotAndKeepsOrder) {
    AttrList list;
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.begin(), list.end());
    list.push_back(NamedAttr(u"href"));
    EXPECT_EQ(list.capacity(), 1u);
    list.push_back(NamedAttr(u"src"));
    list.push_back(NamedAttr(u"longdesc"));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Name, u"href");
    EXPECT_EQ(list[1].Value, u"\"src.htm\"");
    EXPECT_EQ(list.back().Name, u"longdesc");
    EXPECT_THROW(list.at(3), std::out_of_range);

    AttrList copy = list;
    list[0].Name = u"id";
    EXPECT_EQ(copy[0].Name, u"href");
    AttrList moved = std::move(copy);
    EXPECT_TRUE(copy.empty());  // NOLINT
    EXPECT_EQ(moved.size(), 3u);

    // Shorter drops the last entries; longer adds free slots, which passes stop at.
    moved.resize(1);
    EXPECT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].Name, u"href");
    moved.resize(3);
    EXPECT_EQ(moved.size(), 3u);
    EXPECT_EQ(UsedCount(moved), 1u);
    moved.resize(0);
    EXPECT_TRUE(moved.empty());
}

TEST(AttrList, SizedOnceHoldsExactlyWhatWasReserved) {
    AttrList one;
    one.reserve(1);
    one.push_back(NamedAttr(u"href"));
    EXPECT_EQ(one.capacity(), 1u);

    AttrList two;
    two.reserve(2);
    two.push_back(NamedAttr(u"href"));
    two.push_back(NamedAttr(u"id"));
    EXPECT_EQ(two.capacity(), 2u);
    EXPECT_EQ(two[1].Name, u"id");

    // The append rule on an attribute list: a free last slot is written over.
    AttrList appended;
    AppendEntry(appended, AttrEntry{});
    AppendEntry(appended, NamedAttr(u"src"));
    ASSERT_EQ(appended.size(), 1u);
    EXPECT_EQ(appended[0].Name, u"src");
}

TEST(WarningList, CopiesAndErasesLikeAVector) {
    WarningList list{{1, u"one"}, {2, u"two"}, {3, u"three"}};
    WarningList copy = list;
    list.erase(list.begin(), list.begin() + 2);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.front().Text, u"three");
    EXPECT_EQ(copy.size(), 3u);
    EXPECT_EQ(copy[1].Code, 2);
    list.erase(list.begin(), list.end());
    EXPECT_TRUE(list.empty());
    copy.clear();
    EXPECT_EQ(copy.begin(), copy.end());
}

}  // namespace
}  // namespace HtmlLink
