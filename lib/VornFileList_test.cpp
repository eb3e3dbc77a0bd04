#include "lib/VornFileList.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/MemoryFileSystem.h"
#include "testutil/TempDir.h"

using namespace VornFileList;
using platform::kDirectory;
using platform::kHidden;
using platform::kReadOnly;
using platform::kSystem;

namespace {

const StringList kAll = {u"*"};
const StringList kNone = {u""};

// The check run's arguments: every name, recurse and sort on.
std::int32_t Find(StringList& files, std::u16string_view base,
                  const StringList& file_ignore = kNone, std::uint8_t file_mask = kReadOnly,
                  const StringList& dir_ignore = kNone, std::uint8_t dir_mask = kReadOnly,
                  bool recurse = true) {
    files = kNone;
    return FindFiles(files, base, kAll, file_ignore, file_mask, kAll, dir_ignore, dir_mask, recurse,
                     true);
}

}  // namespace

TEST(FindFiles, BaseFilesFirstThenDirectoriesInPathOrder) {
    platform::MemoryFileSystem fs;
    for (const char16_t* p :
         {uR"(C:\site\index.htm)", uR"(C:\site\B.htm)", uR"(C:\site\a.htm)",
          uR"(C:\site\a_b\w.htm)", uR"(C:\site\a\sub\y.htm)", uR"(C:\site\a\x.htm)",
          uR"(C:\site\a\X2.htm)", uR"(C:\site\ab\v.htm)", uR"(C:\other\no.htm)"})
        fs.AddFile(p, "x");
    fs.AddDirectory(uR"(C:\site\empty)");
    platform::ScopedFileSystem use(fs);
    // 'ab\' sorts before 'a\' ('B' < '\'), and 'a\sub\' before 'a_b\' ('\' < '_').
    const StringList expected = {
        uR"(C:\site\a.htm)",       uR"(C:\site\B.htm)",     uR"(C:\site\index.htm)",
        uR"(C:\site\ab\v.htm)",    uR"(C:\site\a\x.htm)",   uR"(C:\site\a\X2.htm)",
        uR"(C:\site\a\sub\y.htm)", uR"(C:\site\a_b\w.htm)",
    };
    const std::u16string bases[] = {uR"(C:\site)", uR"(C:\site\)"};
    for (size_t i = 0; i < std::size(bases); ++i) {
        SCOPED_TRACE(i);
        StringList files;
        EXPECT_EQ(Find(files, bases[i]), 8);
        EXPECT_EQ(files, expected);
    }
    StringList files;
    EXPECT_EQ(Find(files, uR"(C:\site)", kNone, kReadOnly, kNone, kReadOnly, false), 3);
    EXPECT_EQ(files, StringList(expected.begin(), expected.begin() + 3));
}

TEST(FindFiles, NothingFoundKeepsOneEmptyElement) {
    platform::MemoryFileSystem fs;
    fs.AddDirectory(uR"(C:\site\sub)");
    fs.AddFile(uR"(C:\site\.htaccess)", "x");
    platform::ScopedFileSystem use(fs);
    StringList files;
    EXPECT_EQ(Find(files, uR"(C:\site)"), 0);
    EXPECT_EQ(files, kNone);
    EXPECT_EQ(Find(files, uR"(C:\missing)"), -2);
    EXPECT_EQ(files, kNone);
    // A list that arrives without any element still leaves with one.
    files.clear();
    EXPECT_EQ(FindFiles(files, uR"(C:\site)", kAll, kNone, 0, kAll, kNone, 0, true, true), 0);
    EXPECT_EQ(files, kNone);
}

TEST(FindFiles, IgnorePatternsAndDotNames) {
    platform::MemoryFileSystem fs;
    for (const char16_t* p :
         {uR"(C:\site\cvs2\cvs)", uR"(C:\site\a#b)", uR"(C:\site\A#B)", uR"(C:\site\a1b)",
          uR"(C:\site\old.BAK)", uR"(C:\site\.htaccess)", uR"(C:\site\cvs2\in.htm)",
          uR"(C:\site\CVS\Entries)", uR"(C:\site\deep\cvs\Entries)", uR"(C:\site\deep\ok.htm)",
          uR"(C:\site\.svn\entries)", uR"(C:\site\deep\.svn\x.htm)"})
        fs.AddFile(p, "x");
    platform::ScopedFileSystem use(fs);
    const StringList file_ignore = {MakeMatchPattern(u"a#b"), MakeMatchPattern(u"*.bak")};
    const StringList dir_ignore = {MakeMatchPattern(u"CVS")};
    StringList files;
    const std::uint8_t all = kReadOnly | kHidden | kSystem;
    EXPECT_EQ(Find(files, uR"(C:\site\)", file_ignore, all, dir_ignore, all), 4);
    EXPECT_EQ(files, (StringList{uR"(C:\site\a1b)", uR"(C:\site\cvs2\cvs)",
                                 uR"(C:\site\cvs2\in.htm)", uR"(C:\site\deep\ok.htm)"}));
}

TEST(FindFiles, AttributeMasks) {
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\site\plain.htm)", "x");
    fs.AddFile(uR"(C:\site\ro.htm)", "x", kReadOnly);
    fs.AddFile(uR"(C:\site\hidden.htm)", "x", kHidden);
    fs.AddFile(uR"(C:\site\system.htm)", "x", kSystem);
    fs.AddDirectory(uR"(C:\site\h)", kHidden);
    fs.AddFile(uR"(C:\site\h\in.htm)", "x");
    fs.AddFile(uR"(C:\site\h\hidden.htm)", "x", kHidden);
    fs.AddDirectory(uR"(C:\site\s)", kSystem);
    fs.AddFile(uR"(C:\site\s\in.htm)", "x");
    platform::ScopedFileSystem use(fs);
    struct Case {
        std::uint8_t file_mask, dir_mask;
        StringList expected;
    };
    const Case cases[] = {
        {0, 0, {uR"(C:\site\plain.htm)", uR"(C:\site\ro.htm)"}},
        {kHidden, 0, {uR"(C:\site\hidden.htm)", uR"(C:\site\plain.htm)", uR"(C:\site\ro.htm)"}},
        {0, kHidden, {uR"(C:\site\plain.htm)", uR"(C:\site\ro.htm)", uR"(C:\site\h\in.htm)"}},
        {kHidden,
         kHidden,
         {uR"(C:\site\hidden.htm)", uR"(C:\site\plain.htm)", uR"(C:\site\ro.htm)",
          uR"(C:\site\h\hidden.htm)", uR"(C:\site\h\in.htm)"}},
        {kSystem,
         kSystem,
         {uR"(C:\site\plain.htm)", uR"(C:\site\ro.htm)", uR"(C:\site\system.htm)",
          uR"(C:\site\s\in.htm)"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        StringList files;
        Find(files, uR"(C:\site)", kNone, cases[i].file_mask, kNone, cases[i].dir_mask);
        EXPECT_EQ(files, cases[i].expected);
    }
}

TEST(FindFiles, UnlistableDirectoryAddsNothing) {
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\site\a.htm)", "x");
    fs.AddFile(uR"(C:\site\bad\lost.htm)", "x");
    fs.AddFile(uR"(C:\site\bad\below\lost.htm)", "x");
    fs.AddFile(uR"(C:\site\good\b.htm)", "x");
    fs.FailList(uR"(C:\site\bad)");
    platform::ScopedFileSystem use(fs);
    StringList files;
    EXPECT_EQ(Find(files, uR"(C:\site)"), 2);
    EXPECT_EQ(files, (StringList{uR"(C:\site\a.htm)", uR"(C:\site\good\b.htm)"}));

    StringList dirs = kNone;
    EXPECT_EQ(CollectDirectories(dirs, uR"(C:\site)", kAll, kNone, 0, true), 3);
    EXPECT_EQ(dirs, (StringList{uR"(C:\site\)", uR"(C:\site\bad\)", uR"(C:\site\good\)"}));

    // A listing failure in CollectFiles leaves the list as it was.
    StringList list = {uR"(C:\keep)"};
    EXPECT_EQ(CollectFiles(list, uR"(C:\site\bad)", kAll, kNone, 0), -1);
    EXPECT_EQ(list, StringList{uR"(C:\keep)"});
    list = kNone;
    EXPECT_EQ(CollectFiles(list, uR"(C:\site\bad\)", kAll, kNone, 0), -1);
    EXPECT_EQ(list, kNone);
}

TEST(FindFiles, UnreadableHostDirectory) {
    if (testutil::RunsAsRoot()) GTEST_SKIP() << "root reads every directory";
    testutil::TempDir dir;
    dir.Write("a.htm", "x");
    dir.Write("locked/b.htm", "x");
    dir.Write("open/c.htm", "x");
    ASSERT_EQ(::chmod((dir.Host() + "/locked").c_str(), 0), 0);
    StringList files;
    EXPECT_EQ(Find(files, dir.Drive()), 2);
    EXPECT_EQ(files, (StringList{dir.Drive() + u"a.htm", dir.Drive() + uR"(open\c.htm)"}));
}

TEST(FindFiles, LinkLoopIsWalkedOnce) {
    testutil::TempDir dir;
    dir.Write("site/a.htm", "x");
    dir.Write("site/sub/b.htm", "x");
    ASSERT_EQ(::symlink("..", (dir.Host() + "/site/sub/up").c_str()), 0);
    ASSERT_EQ(::symlink(".", (dir.Host() + "/site/sub/self").c_str()), 0);
    const std::u16string site = dir.Drive() + uR"(site\)";
    StringList files;
    EXPECT_EQ(Find(files, site), 2);
    EXPECT_EQ(files, (StringList{site + u"a.htm", site + uR"(sub\b.htm)"}));
}

// The directories of one level are listed side by side; a directory reached by several links
// is still entered by the first path of the walk's order, whichever listing ends first, and the
// others are passed over.
TEST(FindFiles, ADirectoryReachedTwiceKeepsTheFirstPathOfTheWalk) {
    testutil::TempDir dir;
    dir.Write("site/a/x.htm", "x");
    dir.Write("site/b/real/y.htm", "x");
    dir.Write("site/c/z.htm", "x");
    dir.Write("site/d/deep/w.htm", "x");
    ASSERT_EQ(::symlink("../b/real", (dir.Host() + "/site/a/link").c_str()), 0);
    ASSERT_EQ(::symlink("../b/real", (dir.Host() + "/site/c/again").c_str()), 0);
    ASSERT_EQ(::symlink("../../b", (dir.Host() + "/site/d/deep/up").c_str()), 0);
    const std::u16string site = dir.Drive() + uR"(site\)";
    for (int round = 0; round < 20; ++round) {
        StringList dirs = kNone;
        EXPECT_EQ(CollectDirectories(dirs, site, kAll, kNone, 0, true), 7);
        EXPECT_EQ(dirs, (StringList{site, site + uR"(a\)", site + uR"(b\)", site + uR"(c\)",
                                    site + uR"(d\)", site + uR"(a\link\)", site + uR"(d\deep\)"}));
    }
    StringList files;
    EXPECT_EQ(Find(files, site), 4);
    EXPECT_EQ(files, (StringList{site + uR"(a\x.htm)", site + uR"(a\link\y.htm)",
                                 site + uR"(c\z.htm)", site + uR"(d\deep\w.htm)"}));
}

TEST(FindFiles, NamesDifferingOnlyInCaseBothStay) {
    testutil::TempDir dir;
    dir.Write("a.htm", "1");
    dir.Write("A.htm", "22");
    dir.Write("d/x.htm", "x");
    dir.Write("D/x.htm", "x");
    StringList files;
    EXPECT_EQ(Find(files, dir.Drive()), 4);
    const std::u16string b = dir.Drive();
    EXPECT_EQ(files,
              (StringList{b + u"A.htm", b + u"a.htm", b + uR"(D\x.htm)", b + uR"(d\x.htm)"}));
    EXPECT_EQ(GetTotalFileSize(files), 5);
    // The listed sizes follow each name through the sort, letter case and all.
    std::vector<std::int64_t> sizes;
    files = kNone;
    EXPECT_EQ(FindFiles(files, b, kAll, kNone, kReadOnly, kAll, kNone, kReadOnly, true, true,
                        nullptr, &sizes),
              4);
    EXPECT_EQ(sizes, (std::vector<std::int64_t>{2, 1, 1, 1}));
}

// Directories are listed side by side on several threads; what they found still joins in
// the order of the directories, each with its sizes, and a directory that cannot be listed
// leaves no gap.
TEST(FindFiles, ManyDirectoriesJoinInTheirOrder) {
    platform::MemoryFileSystem fs;
    StringList expected;
    std::vector<std::int64_t> expected_sizes;
    fs.AddFile(uR"(C:\site\top.htm)", "t");
    expected.push_back(uR"(C:\site\top.htm)");
    expected_sizes.push_back(1);
    for (int d = 0; d < 40; ++d) {
        const std::u16string dir = uR"(C:\site\d)" + std::u16string(1, u'0' + d / 10) +
                                   std::u16string(1, u'0' + d % 10) + u'\\';
        fs.AddDirectory(dir.substr(0, dir.size() - 1));
        // Added in reverse: the listing sorts them.
        for (int f = d % 4; f-- > 0;) {
            const std::u16string path = dir + u"f" + std::u16string(1, u'0' + f) + u".htm";
            fs.AddFile(path, std::string(static_cast<std::size_t>(d * 4 + f), 'x'));
        }
        if (d % 7 == 3) {
            fs.FailList(dir.substr(0, dir.size() - 1));
            continue;
        }
        for (int f = 0; f < d % 4; ++f) {
            expected.push_back(dir + u"f" + std::u16string(1, u'0' + f) + u".htm");
            expected_sizes.push_back(d * 4 + f);
        }
    }
    platform::ScopedFileSystem use(fs);
    StringList files = kNone;
    std::vector<std::int64_t> sizes;
    EXPECT_EQ(FindFiles(files, uR"(C:\site)", kAll, kNone, kReadOnly, kAll, kNone, kReadOnly,
                        true, true, nullptr, &sizes),
              static_cast<std::int32_t>(expected.size()));
    EXPECT_EQ(files, expected);
    EXPECT_EQ(sizes, expected_sizes);
}

TEST(FindFiles, SizesParallelToTheFiles) {
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\site\c.htm)", "ccc");
    fs.AddFile(uR"(C:\site\a.htm)", "a");
    fs.AddFile(uR"(C:\site\b.txt)", "");
    fs.AddFile(uR"(C:\site\z\y.htm)", "yyyyy");
    fs.AddFile(uR"(C:\site\z\x.htm)", "xx");
    fs.AddDirectory(uR"(C:\site\empty)");
    platform::ScopedFileSystem use(fs);
    struct Case {
        StringList start, patterns;
        std::int32_t found;
        StringList files;
        std::vector<std::int64_t> sizes;
    };
    const Case cases[] = {
        // Every name: sorted within each directory.
        {kNone, kAll, 5,
         {uR"(C:\site\a.htm)", uR"(C:\site\b.txt)", uR"(C:\site\c.htm)", uR"(C:\site\z\x.htm)",
          uR"(C:\site\z\y.htm)"},
         {1, 0, 3, 2, 5}},
        // A name matched by two patterns is listed once, with its size once.
        {kNone, {u"*.htm", u"c*", u"*.txt"}, 5,
         {uR"(C:\site\a.htm)", uR"(C:\site\b.txt)", uR"(C:\site\c.htm)", uR"(C:\site\z\x.htm)",
          uR"(C:\site\z\y.htm)"},
         {1, 0, 3, 2, 5}},
        // What the list held before has no size from this search.
        {{uR"(C:\old)"}, {u"c*", u"y*"}, 2,
         {uR"(C:\old)", uR"(C:\site\c.htm)", uR"(C:\site\z\y.htm)"},
         {0, 3, 5}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        StringList files = cases[i].start;
        std::vector<std::int64_t> sizes{9, 9};
        EXPECT_EQ(FindFiles(files, uR"(C:\site)", cases[i].patterns, kNone, kReadOnly, kAll,
                            kNone, kReadOnly, true, true, nullptr, &sizes),
                  cases[i].found);
        EXPECT_EQ(files, cases[i].files);
        EXPECT_EQ(sizes, cases[i].sizes);
    }
    std::vector<std::int64_t> sizes{9};
    StringList files = kNone;
    EXPECT_EQ(FindFiles(files, uR"(C:\gone)", kAll, kNone, kReadOnly, kAll, kNone, kReadOnly,
                        true, true, nullptr, &sizes),
              -2);
    EXPECT_TRUE(sizes.empty());
}

TEST(CollectFiles, SeveralPatternsListAFileOnce) {
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\d\a.htm)", "x");
    fs.AddFile(uR"(C:\d\b.htm)", "x");
    fs.AddFile(uR"(C:\d\c.txt)", "x");
    fs.AddDirectory(uR"(C:\d\a.dir)");
    platform::ScopedFileSystem use(fs);
    StringList list = {uR"(C:\before)"};
    EXPECT_EQ(CollectFiles(list, uR"(C:\d)", {u"*.htm", u"a*", u"*.HTM"}, kNone, 0), 2);
    EXPECT_EQ(list, (StringList{uR"(C:\before)", uR"(C:\d\a.htm)", uR"(C:\d\b.htm)"}));
    EXPECT_EQ(CollectFiles(list, u"", kAll, kNone, 0), -1);  // never the drive's root
}

TEST(CollectDirectories, QueueAndSeveralPatterns) {
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\s\file)", "x");
    fs.AddDirectory(uR"(C:\s\b\deep)");
    fs.AddDirectory(uR"(C:\s\a\deep)");
    fs.AddDirectory(uR"(C:\s\c)");
    platform::ScopedFileSystem use(fs);
    StringList list = kNone;
    EXPECT_EQ(CollectDirectories(list, uR"(C:\s)", {u"*", u"a", u"?"}, kNone, 0, true), 6);
    EXPECT_EQ(list, (StringList{uR"(C:\s\)", uR"(C:\s\a\)", uR"(C:\s\b\)", uR"(C:\s\c\)",
                                uR"(C:\s\a\deep\)", uR"(C:\s\b\deep\)"}));
    list = kNone;
    EXPECT_EQ(CollectDirectories(list, uR"(C:\s\)", kAll, kNone, 0, false), 4);
    EXPECT_EQ(list.back(), uR"(C:\s\c\)");
    list = kNone;
    EXPECT_EQ(CollectDirectories(list, uR"(C:\none)", kAll, kNone, 0, true), 0);
    EXPECT_EQ(list, kNone);
}

TEST(StringList, AppendFillsTheFreeSlot) {
    StringList list = kNone;
    EXPECT_EQ(AppendString(list, u"a"), 0);
    EXPECT_EQ(list, StringList{u"a"});
    EXPECT_EQ(AppendString(list, u"b"), 0);
    EXPECT_EQ(AppendString(list, u""), 0);
    EXPECT_EQ(AppendString(list, u"c"), 0);
    EXPECT_EQ(list, (StringList{u"a", u"b", u"c"}));
    list.clear();
    EXPECT_EQ(AppendString(list, u"x"), 0);
    EXPECT_EQ(list, StringList{u"x"});
}

TEST(StringList, RemoveEmptyStringsFillsFromTheBack) {
    struct Case {
        StringList in;
        std::int32_t first;
        StringList out;
        std::int32_t removed;
    };
    const Case cases[] = {
        {{u"a", u"", u"b", u"", u"c", u"d", u""}, 0, {u"a", u"d", u"b", u"c"}, 3},
        {{u"", u"", u"x"}, 0, {u"x"}, 2},
        {{u"", u"", u""}, 0, {u""}, 2},
        {{u"", u"", u""}, 1, {u""}, 2},
        {{u"", u"a", u""}, 1, {u"", u"a"}, 1},  // before first is left alone
        {{u"a", u"b"}, 0, {u"a", u"b"}, 0},
        {{u"a"}, 5, {u"a"}, 0},
        {{}, 0, {u""}, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        StringList list = cases[i].in;
        EXPECT_EQ(RemoveEmptyStrings(list, cases[i].first), cases[i].removed);
        EXPECT_EQ(list, cases[i].out);
    }
    StringList list = {u"a"};
    EXPECT_EQ(RemoveEmptyStrings(list, -1), -1);
}

TEST(StringList, SortStringsRanges) {
    struct Case {
        StringList in;
        std::int32_t first, last;
        StringList out;
    };
    const Case cases[] = {
        {{u"b", u"a"}, 0, 1, {u"a", u"b"}},
        {{u"c", u"B", u"a"}, 0, 2, {u"a", u"B", u"c"}},
        {{u"x_y.htm", u"xz.htm"}, 0, 1, {u"xz.htm", u"x_y.htm"}},
        {{u"z", u"d", u"c", u"b", u"a"}, 1, 3, {u"z", u"b", u"c", u"d", u"a"}},
        {{u"same", u"same", u"same", u"same"}, 0, 3, {u"same", u"same", u"same", u"same"}},
        {{u"a.htm.bak", u"a.htm", u"", u"b"}, 0, 3, {u"", u"a.htm", u"a.htm.bak", u"b"}},
        {{u"only"}, 0, 0, {u"only"}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        StringList list = cases[i].in;
        EXPECT_EQ(SortStrings(list, cases[i].first, cases[i].last), 0);
        EXPECT_EQ(list, cases[i].out);
    }
    StringList list = {u"b", u"a"};
    EXPECT_EQ(SortStrings(list, 0, 2), 1);
    EXPECT_EQ(SortStrings(list, -1, 1), 1);
    EXPECT_EQ(list, (StringList{u"b", u"a"}));
}

TEST(StringList, SortUniqueDropsOnlyIdenticalStrings) {
    StringList list = {u"keep", u"b", u"a", u"B", u"a", u"b", u"A"};
    EXPECT_EQ(SortUnique(list, 1), 2);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0], u"keep");
    StringList rest(list.begin() + 1, list.end());
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(rest, (StringList{u"A", u"B", u"a", u"b"}));
    // A first index past the end is clamped to the last element.
    list = {u"x", u"x"};
    EXPECT_EQ(SortUnique(list, 9), 0);
    EXPECT_EQ(SortUnique(list, -3), 1);
    EXPECT_EQ(list, StringList{u"x"});
}

TEST(MakeMatchPattern, Conversions) {
    struct Case {
        std::u16string stored, pattern;
    };
    const Case cases[] = {
        {u"*.BAK", u"*.[Bb][Aa][Kk]"},
        {u"a#b", u"[Aa][#][Bb]"},
        {u"[x]?", u"[[][Xx]]?"},
        {u"!-_9", u"!-_9"},
        {u"ａＢ", u"ａＢ"},
        {u"", u""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(MakeMatchPattern(cases[i].stored), cases[i].pattern);
    }
}

TEST(PathExists, FilesDirectoriesAndTrailingSeparators) {
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\site\Page.htm)", "x", kHidden | kSystem | kReadOnly);
    platform::ScopedFileSystem use(fs);
    EXPECT_TRUE(PathExists(uR"(C:\site)"));
    EXPECT_TRUE(PathExists(uR"(C:\site\\)"));
    EXPECT_TRUE(PathExists(uR"(C:\SITE\page.htm)"));
    EXPECT_TRUE(PathExists(uR"(C:\)"));
    EXPECT_FALSE(PathExists(uR"(C:\site\none)"));
    EXPECT_FALSE(PathExists(u""));
    EXPECT_FALSE(PathExists(uR"(\\)"));
}

TEST(GetTotalFileSize, SumsOrFails) {
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\a)", "123");
    fs.AddFile(uR"(C:\b)", "4567");
    platform::ScopedFileSystem use(fs);
    EXPECT_EQ(GetTotalFileSize({uR"(C:\a)", uR"(C:\B)"}), 7);
    EXPECT_EQ(GetTotalFileSize(kNone), 0);
    EXPECT_EQ(GetTotalFileSize({uR"(C:\a)", uR"(C:\gone)"}), -1);
}
