#include "platform/MemoryFileSystem.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(MemoryFileSystem, LookupListingAndAttributes) {
    MemoryFileSystem fs;
    fs.AddFile(uR"(C:\site\Index.htm)", "abc");
    fs.AddFile(uR"(C:\site\hidden.htm)", "", kHidden);
    fs.AddFile(uR"(C:\site\system.htm)", "", kSystem);
    fs.AddFile(uR"(C:\site\ro.htm)", "", kReadOnly);
    fs.AddDirectory(uR"(C:\site\sub)");
    DirEntry e;
    ASSERT_TRUE(fs.Stat(uR"(c:/SITE/index.HTM)", e));
    EXPECT_EQ(e.Name, u"Index.htm");
    EXPECT_EQ(e.Size, 3);
    ASSERT_TRUE(fs.Stat(uR"(C:\site\sub\)", e));
    EXPECT_TRUE(e.Attributes & kDirectory);
    EXPECT_FALSE(fs.Stat(uR"(D:\site)", e));

    std::vector<DirEntry> out;
    ASSERT_EQ(fs.List(uR"(C:\site\*)", 0, out), ListResult::Ok);
    ASSERT_EQ(out.size(), 2u);  // read-only entries are always listed
    EXPECT_EQ(out[0].Name, u"Index.htm");
    EXPECT_EQ(out[1].Name, u"ro.htm");
    ASSERT_EQ(fs.List(uR"(C:\site\*)", kHidden | kSystem | kDirectory, out), ListResult::Ok);
    EXPECT_EQ(out.size(), 5u);
    ASSERT_EQ(fs.List(uR"(C:\site\?ndex.*)", 0, out), ListResult::Ok);
    EXPECT_EQ(out.size(), 1u);
    EXPECT_EQ(fs.List(uR"(C:\nothere\*)", 0, out), ListResult::PathNotFound);
    fs.FailList(uR"(C:\site\sub)");
    EXPECT_EQ(fs.List(uR"(C:\site\sub\*)", 0, out), ListResult::Failed);
}

TEST(MemoryFileSystem, ReadsWritesAndFailures) {
    MemoryFileSystem fs;
    fs.AddFile(uR"(C:\a\x.htm)", "old");
    fs.FailReads(uR"(C:\a\x.htm)");
    std::string bytes;
    EXPECT_FALSE(fs.ReadFile(uR"(C:\a\x.htm)", bytes));
    EXPECT_TRUE(fs.WriteFile(uR"(C:\a\y.tmp)", "new", false));
    EXPECT_TRUE(fs.Replace(uR"(C:\a\y.tmp)", uR"(C:\a\Y.TXT)"));
    ASSERT_TRUE(fs.ReadFile(uR"(C:\a\y.txt)", bytes));
    EXPECT_EQ(bytes, "new");
    EXPECT_FALSE(fs.WriteFile(uR"(C:\missing\z.txt)", "x", false));
    fs.AddDirectory(uR"(C:\locked)", kReadOnly);
    EXPECT_FALSE(fs.WriteFile(uR"(C:\locked\z.txt)", "x", false));
    EXPECT_FALSE(fs.ReadFile(uR"(C:\a)", bytes));
}

TEST(ScopedFileSystem, InstallsAndRestores) {
    MemoryFileSystem fs;
    fs.AddFile(uR"(C:\only-in-memory.htm)", "");
    DirEntry e;
    {
        ScopedFileSystem use(fs);
        EXPECT_TRUE(Fs().Stat(uR"(C:\only-in-memory.htm)", e));
    }
    EXPECT_FALSE(Fs().Stat(uR"(C:\only-in-memory.htm)", e));
}
