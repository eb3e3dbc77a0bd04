#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/Text.h"
#include "testutil/TempDir.h"

using namespace platform;

TEST(HostFileSystem, CaseInsensitiveLookup) {
    testutil::TempDir dir;
    dir.Write("site/Index.htm", "upper");
    const std::u16string base = dir.Drive();
    DirEntry e;
    ASSERT_TRUE(HostFs().Stat(base + uR"(SITE\index.htm)", e));
    EXPECT_EQ(e.Name, u"Index.htm");
    EXPECT_EQ(e.Size, 5);
    std::string bytes;
    ASSERT_TRUE(HostFs().ReadFile(base + uR"(site\INDEX.HTM)", bytes));
    EXPECT_EQ(bytes, "upper");
    // Linux can hold both: the exact name wins.
    dir.Write("site/index.htm", "lower");
    ASSERT_TRUE(HostFs().ReadFile(base + uR"(site\index.htm)", bytes));
    EXPECT_EQ(bytes, "lower");
    ASSERT_TRUE(HostFs().ReadFile(base + uR"(site\Index.htm)", bytes));
    EXPECT_EQ(bytes, "upper");
    // Neither exact: the first in sorted order.
    ASSERT_TRUE(HostFs().ReadFile(base + uR"(site\INDEX.htm)", bytes));
    EXPECT_EQ(bytes, "upper");
    EXPECT_FALSE(HostFs().Stat(base + uR"(site\missing.htm)", e));
}

TEST(HostFileSystem, ListingWithMaskAndWildcard) {
    testutil::TempDir dir;
    dir.Write("b.htm", "12");
    dir.Write("A.htm", "1");
    dir.Write("c.txt", "");
    dir.MakeDir("sub");
    std::vector<DirEntry> out;
    ASSERT_EQ(HostFs().List(dir.Drive() + u"*", 0, out), ListResult::Ok);
    ASSERT_EQ(out.size(), 3u);  // no directory without the directory bit
    EXPECT_EQ(out[0].Name, u"A.htm");
    EXPECT_EQ(out[1].Name, u"b.htm");
    EXPECT_EQ(out[1].Size, 2);
    ASSERT_EQ(HostFs().List(dir.Drive() + u"*.HTM", kDirectory, out), ListResult::Ok);
    EXPECT_EQ(out.size(), 2u);
    ASSERT_EQ(HostFs().List(dir.Drive() + u"*", kDirectory, out), ListResult::Ok);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[3].Name, u"sub");
    EXPECT_TRUE(out[3].Attributes & kDirectory);
    EXPECT_EQ(HostFs().List(dir.Drive() + uR"(nothere\*)", 0, out), ListResult::PathNotFound);
    EXPECT_EQ(HostFs().List(uR"(D:\*)", 0, out), ListResult::PathNotFound);
}

TEST(HostFileSystem, NonUtf8NameRoundTrips) {
    testutil::TempDir dir;
    const std::string raw = "\x93\xfa\x96\x7b.htm";  // Shift_JIS bytes, not UTF-8
    dir.Write(raw, "sjis");
    std::vector<DirEntry> out;
    ASSERT_EQ(HostFs().List(dir.Drive() + u"*", 0, out), ListResult::Ok);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(ToUtf8(out[0].Name), raw);
    std::string bytes;
    ASSERT_TRUE(HostFs().ReadFile(dir.Drive() + out[0].Name, bytes));
    EXPECT_EQ(bytes, "sjis");
}

TEST(HostFileSystem, WriteReplaceAndUnreadable) {
    testutil::TempDir dir;
    const std::u16string base = dir.Drive();
    ASSERT_TRUE(HostFs().WriteFile(base + u"t.tmp", "new", false));
    ASSERT_TRUE(HostFs().WriteFile(base + u"t.tmp", "+", true));
    ASSERT_TRUE(HostFs().Replace(base + u"t.tmp", base + u"t.txt"));
    std::string bytes;
    ASSERT_TRUE(HostFs().ReadFile(base + u"T.TXT", bytes));
    EXPECT_EQ(bytes, "new+");
    EXPECT_FALSE(HostFs().ReadFile(base, bytes));  // a directory is no file
    EXPECT_FALSE(HostFs().WriteFile(base + uR"(no\such\dir.txt)", "x", false));
    if (!testutil::RunsAsRoot()) {
        dir.MakeDir("closed");
        ::chmod((dir.Host() + "/closed").c_str(), 0);
        std::vector<DirEntry> out;
        EXPECT_EQ(HostFs().List(base + uR"(closed\*)", 0, out), ListResult::Failed);
    }
}

// Asking for a file ahead must never open what could block (a FIFO with no writer would hang
// the opener without O_NONBLOCK) nor fail on what is gone; a file just written is in memory.
TEST(HostFileSystem, PrefetchLeavesSpecialFilesAlone) {
    testutil::TempDir dir;
    dir.Write("page.htm", "<a href=x.htm>");
    ASSERT_EQ(::mkfifo((dir.Host() + "/pipe.htm").c_str(), 0644), 0);
    EXPECT_TRUE(HostFs().Prefetch(dir.Drive() + u"page.htm"));
    EXPECT_TRUE(HostFs().Prefetch(dir.Drive() + u"pipe.htm"));
    EXPECT_TRUE(HostFs().Prefetch(dir.Drive() + u"missing.htm"));
    EXPECT_TRUE(HostFs().Prefetch(dir.Drive()));
    std::string bytes;
    ASSERT_TRUE(HostFs().ReadFile(dir.Drive() + u"page.htm", bytes));
    EXPECT_EQ(bytes, "<a href=x.htm>");
}

// A file the search listed is read without looking it up first; it still has to be a regular
// file once opened, and letter case is looked up as for any read.
TEST(HostFileSystem, ListedFilesAreReadLikeAnyOther) {
    testutil::TempDir dir;
    dir.Write("site/Page.htm", "<a href=x.htm>");
    dir.Write("site/empty.htm", "");
    ASSERT_EQ(::mkfifo((dir.Host() + "/site/pipe.htm").c_str(), 0644), 0);
    const std::u16string site = dir.Drive() + uR"(site\)";
    dir.Write("site/long.htm", std::string(5000, 'x'));
    // One buffer throughout, as the scan reuses it: longer, then shorter files hold exactly
    // their own bytes.
    std::string bytes = "old";
    const std::pair<std::u16string_view, std::string> reads[] = {
        {u"Page.htm", "<a href=x.htm>"},
        {u"PAGE.HTM", "<a href=x.htm>"},
        {u"empty.htm", ""},
        {u"long.htm", std::string(5000, 'x')},
        {u"Page.htm", "<a href=x.htm>"}};
    for (const auto& [name, expected] : reads) {
        ASSERT_TRUE(HostFs().ReadListedFile(site + std::u16string(name), bytes)) << expected;
        EXPECT_EQ(bytes, expected);
    }
    // A FIFO that took the place of a file is refused without waiting for a writer.
    for (const std::u16string_view name : {u"pipe.htm", u"missing.htm", u""}) {
        bytes = "old";
        EXPECT_FALSE(HostFs().ReadListedFile(site + std::u16string(name), bytes)) << name.size();
        EXPECT_EQ(bytes, "");
    }
}

// Asked for directories only, a listing may skip files unseen but never a directory, whether
// real or reached through a symbolic link.
TEST(HostFileSystem, DirectoriesOnlyListingKeepsEveryDirectory) {
    testutil::TempDir dir;
    dir.Write("a.htm", "x");
    dir.MakeDir("sub");
    ASSERT_EQ(::symlink((dir.Host() + "/sub").c_str(), (dir.Host() + "/ln").c_str()), 0);
    ASSERT_EQ(::symlink((dir.Host() + "/a.htm").c_str(), (dir.Host() + "/fl").c_str()), 0);
    std::vector<DirEntry> out;
    ASSERT_EQ(HostFs().List(dir.Drive() + u"*", kDirectory | kOnlyDirectories, out),
              ListResult::Ok);
    std::vector<std::u16string> directories;
    for (const DirEntry& e : out)
        if (e.Attributes & kDirectory) directories.push_back(e.Name);
    EXPECT_EQ(directories, (std::vector<std::u16string>{u"ln", u"sub"}));
}

TEST(HostFileSystem, NamesOnlyListingLooksAtNoEntry) {
    testutil::TempDir dir;
    dir.Write("b.htm", "12");
    dir.Write("A.htm", "1");
    dir.MakeDir("sub");
    ASSERT_EQ(::symlink((dir.Host() + "/gone").c_str(), (dir.Host() + "/dangling").c_str()), 0);
    std::vector<DirEntry> out;
    ASSERT_EQ(HostFs().List(dir.Drive() + u"*", kDirectory | kNamesOnly, out), ListResult::Ok);
    std::vector<std::u16string> names;
    for (const DirEntry& e : out) {
        names.push_back(e.Name);
        EXPECT_EQ(e.Size, 0);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"A.htm", u"b.htm", u"dangling", u"sub"}));
    ASSERT_EQ(HostFs().List(dir.Drive() + u"*.htm", kNamesOnly, out), ListResult::Ok);
    EXPECT_EQ(out.size(), 2u);
}
