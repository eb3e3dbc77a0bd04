#include "lib/VornFilePath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/VornFileList.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Program.h"
#include "testutil/TempDir.h"

using namespace VornFilePath;
using Strings = std::vector<std::u16string>;

namespace {

// Tests that name the program's directory set it and give it back.
class ProgramDirectoryAt {
public:
    explicit ProgramDirectoryAt(std::u16string_view dir) { platform::SetProgramDirectory(dir); }
    ~ProgramDirectoryAt() { platform::SetProgramDirectory(u""); }
};

}  // namespace

TEST(SplitPath, EveryForm) {
    struct Case {
        std::u16string path, separator, head, dir, name;
    };
    const Case cases[] = {
        {uR"(C:\dir\file.htm)", u"", u"C:", uR"(\dir\)", u"file.htm"},
        {u"http://host/dir/", u"", u"http://host", u"/dir/", u""},
        {u"http://host", u"", u"http://host", u"", u""},
        {uR"(\\srv\share\a\b.htm)", u"", uR"(\\srv\share)", uR"(\a\)", u"b.htm"},
        {uR"(\\srv)", u"", uR"(\\srv)", u"", u""},
        {u"sub/x.htm", u"", u"", u"sub/", u"x.htm"},
        {uR"(\rooted\x.htm)", u"", u"", uR"(\rooted\)", u"x.htm"},
        {u"C:", u"", u"C:", u"", u""},
        {u"C:foo", u"", u"", u"", u"C:foo"},
        {u"C:/dir/x", u"\\", u"", u"", u"C:/dir/x"},
        {u"file:///C|/dir/x.htm", u"", u"file:///C|", u"/dir/", u"x.htm"},
        {u"file:/c:/x.htm", u"", u"file:/c:", u"/", u"x.htm"},
        {uR"(file://\\srv\share\a\b.htm)", u"", uR"(file://\\srv\share)", uR"(\a\)", u"b.htm"},
        {u"file://host/x.htm", u"", u"", u"file://host/", u"x.htm"},
        {u"mailto:x@y", u"", u"", u"mailto:", u"x@y"},
        {u"abc", u"", u"", u"", u"abc"},
        {u"", u"", u"", u"", u""},
        {u"a/b", u"//", u"", u"", u""},  // a separator of two characters is no separator
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const PathSplit p = SplitPath(cases[i].path, cases[i].separator);
        EXPECT_EQ(p.Head, cases[i].head);
        EXPECT_EQ(p.Directory, cases[i].dir);
        EXPECT_EQ(p.Name, cases[i].name);
    }
}

TEST(SplitPath, HostileTextSurvivesAndJoinsBack) {
    const std::u16string big = u"C:\\" + std::u16string(1 << 20, u'a') + u"\\x.htm";
    std::u16string nul = uR"(C:\a)";
    nul += u'\0';
    nul += uR"(b\c)";
    const std::u16string surrogate = u"\\\\srv\\\xD800share\\\xDC00.htm";
    const std::u16string backslashes(1 << 20, u'\\');
    for (const std::u16string& path : {big, nul, surrogate, backslashes}) {
        const PathSplit p = SplitPath(path, u"");
        EXPECT_EQ(p.Head + p.Directory + p.Name, path);
        EXPECT_EQ(VornFileList::GetDirectoryPart(path, u"") + p.Name, path);
    }
}

TEST(PathPieces, DelimitersExtensionsTrimming) {
    EXPECT_EQ(GetPathDelimiter(uR"(a/b\c)"), u"\\");
    EXPECT_EQ(GetPathDelimiter(u"abc"), u"");
    EXPECT_EQ(GetPathDelimiter(u"C:foo"), u":");
    EXPECT_EQ(GetPathDelimiter(u""), u"");

    EXPECT_EQ(ConvertDelimiter(uR"(a\b/c)", u"/"), u"a/b/c");
    EXPECT_EQ(ConvertDelimiter(uR"(a\b/c)", u"\\"), uR"(a\b\c)");
    EXPECT_EQ(ConvertDelimiter(uR"(a\b/c)", u""), uR"(a\b\c)");

    std::u16string base;
    EXPECT_EQ(SplitExtension(u"dir.v2/index.htm", base), u".htm");
    EXPECT_EQ(base, u"dir.v2/index");
    EXPECT_EQ(SplitExtension(u"dir.v2/README", base), u".v2/README");  // the whole text counts
    EXPECT_EQ(base, u"dir");
    EXPECT_EQ(SplitExtension(u"name", base), u"");
    EXPECT_EQ(base, u"name");
    EXPECT_EQ(SplitExtension(u".", base), u".");
    EXPECT_EQ(base, u"");

    EXPECT_EQ(TrimBlanksAndQuotes(u"\t \"C:\\a b\" "), u"C:\\a b");
    EXPECT_EQ(TrimBlanksAndQuotes(u" \"\t\" "), u"");
    EXPECT_EQ(TrimBlanksAndQuotes(u""), u"");

    EXPECT_EQ(VornFileList::GetDirectoryPart(uR"(C:\dir\x.htm)", u""), uR"(C:\dir\)");
    EXPECT_EQ(VornFileList::GetDirectoryPart(u"http://host", u""), u"http://host/");
    EXPECT_EQ(VornFileList::GetDirectoryPart(u"x.htm", u""), u"");
}

TEST(PathPieces, SplitJoinAndFind) {
    Strings list{u"untouched"};
    EXPECT_EQ(SplitString(uR"(\a\)", u"\\", list), 3);
    EXPECT_EQ(list, (Strings{u"", u"a", u""}));
    list = {u"untouched"};
    EXPECT_EQ(SplitString(u"", u"\\", list), 0);
    EXPECT_EQ(SplitString(u"a;b", u";;", list), 0);
    EXPECT_EQ(list, Strings{u"untouched"});
    EXPECT_EQ(SplitString(u"a;b", u"", list), 1);
    EXPECT_EQ(list, Strings{u"a;b"});

    const Strings abc{u"a", u"b", u"c"};
    EXPECT_EQ(JoinStrings(abc, u"/", 0, 2), u"a/b/c");
    EXPECT_EQ(JoinStrings(abc, u"/", -5, 99), u"a/b/c");
    EXPECT_EQ(JoinStrings(abc, u"/", 1, 0), u"b");  // last below first: just the first
    EXPECT_EQ(JoinStrings(abc, u"/", 3, 5), u"");
    EXPECT_EQ(JoinStrings({}, u"/", 0, 0), u"");

    struct Find {
        std::int32_t start;
        std::u16string text, search;
        std::int32_t n, position;
    };
    const Find finds[] = {
        {1, uR"(\\srv\share\a)", u"\\", 4, 12},
        {1, u"aaaa", u"aa", 2, 2},
        {1, u"aaaa", u"aa", 4, 0},
        {3, u"a/b/c", u"/", 1, 4},
        {6, u"a/b/c", u"/", 1, 0},
        {0, u"a/b", u"/", 1, 0},
        {1, u"a/b", u"", 1, 0},
        {1, u"", u"/", 1, 0},
        {1, u"a/b", u"/", 0, 0},
        {1, u"a/b", u"/", 2147483647, 0},
    };
    for (size_t i = 0; i < std::size(finds); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(InStrNth(finds[i].start, finds[i].text, finds[i].search, finds[i].n),
                  finds[i].position);
    }
}

TEST(ResolveRelativePath, LeadingDotsAndOtherLinks) {
    const Strings dir_sub{u"", u"dir", u"sub", u""};
    struct Case {
        std::u16string head;
        Strings base;
        std::u16string relative, separator;
        ResolveResult result;
        std::u16string resolved;
    };
    const Case cases[] = {
        {u"C:", dir_sub, u"../x/y.htm", u"", ResolveResult::Resolved, u"C:/dir/x/y.htm"},
        {u"C:", dir_sub, uR"(..\x\y.htm)", u"", ResolveResult::Resolved, uR"(C:\dir\x\y.htm)"},
        {u"C:", dir_sub, u"../", u"", ResolveResult::Resolved, u"C:/dir/"},
        {u"C:", dir_sub, u"./.././z.htm", u"", ResolveResult::Resolved, u"C:/dir/z.htm"},
        {u"C:", dir_sub, u"../a/../b.htm", u"", ResolveResult::Resolved, u"C:/dir/a/../b.htm"},
        {u"C:", dir_sub, u"../x.htm", u"\\", ResolveResult::Resolved, uR"(C:\dir\x.htm)"},
        {u"C:", dir_sub, u"../../x.htm", u"", ResolveResult::Resolved, u"C:/x.htm"},
        {u"C:", dir_sub, u"../../../x.htm", u"", ResolveResult::AboveRoot, u"C:/x.htm"},
        {u"C:", {u"", u"dir", u""}, u"../../x.htm", u"", ResolveResult::AboveRoot, u"C:/x.htm"},
        // A colon after the dots is part of a name or fragment, not a separator.
        {u"C:", dir_sub, u"../a.htm#x:y", u"", ResolveResult::Resolved, u"C:/dir/a.htm#x:y"},
        {u"http://host", {u""}, u"./x.htm", u"", ResolveResult::Resolved, u"http://host/x.htm"},
        {u"http://host", {u""}, u"../x.htm", u"", ResolveResult::AboveRoot, u"C:/x.htm"},
        {u"", {u"a", u""}, u"../x.htm", u"/", ResolveResult::Resolved, u"x.htm"},
        {u"", {u"a", u""}, u"../../x.htm", u"/", ResolveResult::AboveRoot, u"C:/x.htm"},
        // Links without leading dots.
        {u"C:", dir_sub, u"x/y.htm", u"\\", ResolveResult::Resolved, uR"(C:\dir\sub\x\y.htm)"},
        {u"C:", dir_sub, u"/top/y.htm", u"/", ResolveResult::Resolved, u"C:/top/y.htm"},
        {u"C:", dir_sub, u"http://h/p/q.htm", u"", ResolveResult::Resolved, u"http://h/p/q.htm"},
        {u"C:", {}, u"../x.htm", u"", ResolveResult::Failed, u""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::u16string out = u"stale";
        EXPECT_EQ(ResolveRelativePath(cases[i].head, cases[i].base, cases[i].relative,
                                      cases[i].separator, out),
                  cases[i].result);
        EXPECT_EQ(out, cases[i].resolved);
    }
}

// One cut base serves every link of a page, each resolved into the buffer the last one used.
TEST(RelativeBase, OneBaseForManyLinks) {
    const VornFilePath::RelativeBase base(u"C:", {u"", u"dir", u"sub", u""});
    struct Case {
        std::u16string relative, separator;
        ResolveResult result;
        std::u16string resolved;
    };
    const Case cases[] = {
        {u"../x/y.htm", u"", ResolveResult::Resolved, u"C:/dir/x/y.htm"},
        {uR"(..\x\y.htm)", u"", ResolveResult::Resolved, uR"(C:\dir\x\y.htm)"},
        {u"./a.htm", u"", ResolveResult::Resolved, u"C:/dir/sub/a.htm"},
        {u"../../../x.htm", u"", ResolveResult::AboveRoot, u"C:/x.htm"},
        {u"../a/b.htm", u"\\", ResolveResult::Resolved, uR"(C:\dir\a\b.htm)"},
        {u"../a/b.htm", u"::", ResolveResult::Resolved, u"C:::dir::a::b.htm"},
        {u"../..", u"", ResolveResult::Resolved, u"C:/"},
        {u"x.htm", u"\\", ResolveResult::Resolved, uR"(C:\dir\sub\x.htm)"},
        {u"..//x.htm", u"", ResolveResult::Resolved, u"C:/dir//x.htm"},
    };
    std::u16string out = u"stale";
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(base.Resolve(cases[i].relative, cases[i].separator, out), cases[i].result);
        EXPECT_EQ(out, cases[i].resolved);
    }
    // A base never cut has no pieces to climb.
    EXPECT_EQ(VornFilePath::RelativeBase().Resolve(u"../x.htm", u"", out), ResolveResult::Failed);
    EXPECT_EQ(out, u"");
}

// How fast they go is measured by bench/bench_resolve.
TEST(ResolveRelativePath, LongRelativePaths) {
    std::u16string relative;
    for (int i = 0; i < 300000; ++i) relative += u"./";
    relative += u"x.htm";
    std::u16string out;
    EXPECT_EQ(ResolveRelativePath(u"C:", {u"", u"d", u""}, relative, u"", out),
              ResolveResult::Resolved);
    EXPECT_EQ(out, u"C:/d/x.htm");
    std::u16string up;
    for (int i = 0; i < 300000; ++i) up += u"../";
    EXPECT_EQ(ResolveRelativePath(u"C:", {u"", u"d", u""}, up, u"", out), ResolveResult::AboveRoot);
}

TEST(SpecialDirectories, WordsAndFullPaths) {
    EXPECT_EQ(GetSpecialDirectory(u"Windows"), uR"(C:\)");
    EXPECT_EQ(GetSpecialDirectory(u"WINDOWS"), uR"(C:\)");
    EXPECT_EQ(GetSpecialDirectory(u"programs"), u"");
    EXPECT_EQ(GetSpecialDirectory(u"mydocs"), u"");
    for (const char16_t* word : {u"temp", u"TMP", u"desktop", u"MyDocument", u"my documents"}) {
        SCOPED_TRACE(std::string(word, word + std::char_traits<char16_t>::length(word)));
        const std::u16string dir = GetSpecialDirectory(word);
        ASSERT_FALSE(dir.empty());
        EXPECT_EQ(dir.back(), u'\\');
        EXPECT_EQ(dir.substr(0, 2), u"C:");
    }

    ProgramDirectoryAt program(uR"(C:\prog\)");
    EXPECT_EQ(GetFullPath(u"C:"), uR"(C:\)");
    EXPECT_EQ(GetFullPath(uR"(C:\a\b.htm)"), uR"(C:\a\b.htm)");
    EXPECT_EQ(GetFullPath(uR"(\a\b.htm)"), uR"(C:\a\b.htm)");
    EXPECT_EQ(GetFullPath(uR"(a\b.htm)"), uR"(C:\prog\a\b.htm)");
    EXPECT_EQ(GetFullPath(uR"(\\srv\share\x)"), uR"(\\srv\share\x)");
}

TEST(GetPathKind, InMemory) {
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\site\index.htm)", "x");
    fs.AddFile(uR"(C:\site\hidden.htm)", "x", platform::kHidden | platform::kSystem);
    fs.AddFile(uR"(C:\site\locked.htm)", "x", platform::kReadOnly);
    fs.AddDirectory(uR"(C:\site\.secret)", platform::kHidden);
    platform::ScopedFileSystem use(fs);
    struct Case {
        std::u16string path;
        PathKind kind;
    };
    const Case cases[] = {
        {uR"(C:\site\index.htm)", PathKind::File},
        {uR"(c:\SITE\Index.HTM)", PathKind::File},
        {uR"(C:\site\index.htm\)", PathKind::File},
        {uR"(C:\site\hidden.htm)", PathKind::File},
        {uR"(C:\site\locked.htm)", PathKind::File},
        {uR"(C:\site)", PathKind::Directory},
        {uR"(C:\site\\)", PathKind::Directory},
        {uR"(C:\site\.secret\)", PathKind::Directory},
        {u"C:", PathKind::Directory},
        {uR"(C:\)", PathKind::Directory},
        {uR"(D:\)", PathKind::None},
        {uR"(\\srv\share\)", PathKind::None},
        {uR"(C:\site\*.htm)", PathKind::None},
        {uR"(C:\site\index.ht?)", PathKind::None},
        {uR"(C:\site\missing.htm)", PathKind::None},
        {uR"(C:\missing\index.htm)", PathKind::None},
        {u"", PathKind::None},
        {uR"(\)", PathKind::None},
        {std::u16string(uR"(C:\site)") + u'\0', PathKind::None},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(GetPathKind(cases[i].path), cases[i].kind);
    }

    platform::MemoryFileSystem empty;
    platform::ScopedFileSystem use_empty(empty);
    EXPECT_EQ(GetPathKind(uR"(C:\)"), PathKind::None);  // a root that lists nothing
}

TEST(GetPathKind, OnDisk) {
    testutil::TempDir tmp;
    tmp.Write("Sub/Page.htm", "x");
    const std::u16string root = tmp.Drive();
    EXPECT_EQ(GetPathKind(root), PathKind::Directory);
    EXPECT_EQ(GetPathKind(root + uR"(Sub\Page.htm)"), PathKind::File);
    EXPECT_EQ(GetPathKind(root + uR"(sub\page.HTM)"), PathKind::File);
    EXPECT_EQ(GetPathKind(root + uR"(SUB\)"), PathKind::Directory);
    EXPECT_EQ(GetPathKind(root + uR"(Sub\None.htm)"), PathKind::None);
    EXPECT_EQ(GetPathKind(uR"(C:\)"), PathKind::Directory);
    EXPECT_EQ(GetPathKind(u"C:"), PathKind::Directory);
    EXPECT_EQ(GetPathKind(uR"(D:\)"), PathKind::None);
}

TEST(CheckName, Codes) {
    struct Case {
        std::u16string name;
        bool marks, wildcards;
        std::uint8_t code;
    };
    const Case cases[] = {
        {u"index.htm", true, true, 0},
        {u"", false, false, 1},
        {u"a/b", false, false, 2},
        {uR"(a\b)", false, false, 2},
        {u"a<b", false, false, 2},
        {u"a\"b", false, false, 2},
        {u"a|b", false, false, 2},
        {u"a:b", true, true, 2},
        {u"a;b", true, false, 3},
        {u"a;b", false, false, 0},
        {u"a,b", true, false, 3},
        {u"a*b", false, true, 4},
        {u"a?b", false, false, 0},
        {u"a\tb", false, false, 5},
        {std::u16string(u"a\0b", 3), false, false, 5},
        {u"表示.htm", false, false, 0},  // double-byte: the second byte is no control
        {u"   ", false, false, 6},
        {u" a", false, false, 7},
        {u"a ", false, false, 7},
        {u"a b", false, false, 0},
        {u"\xD800", false, false, 0},
        {u"　", false, false, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(CheckName(cases[i].name, cases[i].marks, cases[i].wildcards), cases[i].code);
    }
}

TEST(CheckPathName, Codes) {
    struct Case {
        std::u16string path;
        bool wildcards_in_dirs, wildcards_in_name;
        std::int32_t code;
    };
    const Case cases[] = {
        {uR"(C:\site\index.htm)", true, true, 0},
        {uR"(C:\site\)", true, true, 0},
        {uR"(\\srv\share\a.htm)", true, true, 0},
        {u"", false, false, 1},
        {uR"(1:\x)", false, false, 102},
        {uR"(\\srv)", false, false, 4},
        {uR"(\\srv\)", false, false, 4},
        {uR"(http://host\x)", false, false, 3},
        // Cut at '\' alone, 'http://host/x' has no directory, so it is all one file name.
        {u"http://host/x", false, false, 202},
        {uR"(C:\a\\b\)", false, false, 101},
        {uR"(C:\a\b?.htm)", false, true, 204},
        {uR"(C:\a\b?.htm)", false, false, 0},
        {uR"(C:\a*\b.htm)", true, false, 104},
        {uR"(C:\a;b\c)", false, false, 103},
        {uR"(C:\ a\c)", false, false, 107},
        {uR"(C:\a\ )", false, false, 206},
        {u"C:foo", false, false, 202},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(CheckPathName(cases[i].path, true, cases[i].wildcards_in_dirs,
                                cases[i].wildcards_in_name),
                  cases[i].code);
    }
}

TEST(GetPathErrorMessage, Texts) {
    struct Case {
        std::int32_t code;
        bool name_level;
        std::u16string text;
    };
    const Case cases[] = {
        {0, false, u""},
        {0, true, u""},
        {1, false, u"パス名を入力してください。"},
        {2, false, u"ドライブ名にはアルファベットを使ってください。"},
        {3, false, u"ドライブ名／ネットワーク・コンピュータ名の記述が不正です。"},
        {4, false, u"共有名を指定してください。"},
        {5, false, u"パス名の記述が不正です。"},
        {-7, false, u"パス名の記述が不正です。"},
        {99, false, u"パス名の記述が不正です。"},
        {101, false, u"ディレクトリ名に空文字列が使われています。"},
        {104, false, u"ディレクトリ名に「*」「?」を使うことはできません。"},
        {202, false, uR"(ファイル名に「\」「/」「<」「>」「"」「|」「:」を使うことはできません。)"},
        {205, false, u"ファイル名に不正な文字が使われています。"},
        {200, false, u"ファイル名に不正な記述があります。"},
        {3, true, u"「;」「,」を使うことはできません。"},
        {6, true, u"半角スペースのみの名前は使えません。"},
        {7, true, u"半角スペースで開始／終了する名前は使えません。"},
        {8, true, u"不正な記述があります。"},
        {208, true, u"不正な記述があります。"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(GetPathErrorMessage(cases[i].code, cases[i].name_level), cases[i].text);
    }
}

TEST(MakeSafeFileName, Names) {
    struct Case {
        std::u16string text, safe;
    };
    const Case cases[] = {
        {u"My site", u"My site"},
        {u"a/b:c", u"a／b：c"},
        {uR"(\<>"|;,*?)", u"￥＜＞”｜；，＊？"},
        {u".site", u"．site"},
        {u"  .site  ", u"．site"},
        {u"", u"_"},
        {u"   ", u"_"},
        {u"a\tb", u"_"},
        {u"a/b\x01", u"_"},  // marks mended, a control character still left
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(VornFileList::MakeSafeFileName(cases[i].text), cases[i].safe);
    }
}

TEST(MakeUniqueFileName, Numbering) {
    platform::MemoryFileSystem fs;
    fs.AddDirectory(uR"(C:\logs)");
    fs.AddDirectory(uR"(C:\prog)");
    platform::ScopedFileSystem use(fs);
    ProgramDirectoryAt program(uR"(C:\prog\)");
    const std::u16string tmpl = uR"(C:\logs\name.csv)";

    EXPECT_EQ(MakeUniqueFileName(tmpl, u"_", 3, u""), uR"(C:\logs\name_000.csv)");
    fs.AddFile(uR"(C:\logs\name_000.csv)", "");
    fs.AddFile(uR"(C:\logs\NAME_007.CSV)", "", platform::kHidden);
    fs.AddFile(uR"(C:\logs\name_0x9.csv)", "");
    fs.AddFile(uR"(C:\logs\name_900.txt)", "");
    EXPECT_EQ(FindLastSerial(uR"(C:\logs\name_)", 3, u".csv"), u"007");
    EXPECT_EQ(MakeUniqueFileName(tmpl, u"_", 3, u""), uR"(C:\logs\name_008.csv)");
    EXPECT_EQ(MakeUniqueFileName(tmpl, u"_", 3, u"", {}, 42), uR"(C:\logs\name_042.csv)");
    EXPECT_EQ(MakeUniqueFileName(tmpl, u"_", 3, u"", {}, -3), uR"(C:\logs\name_008.csv)");
    EXPECT_EQ(MakeUniqueFileName(tmpl, u"_", 3, u"..txt"), uR"(C:\logs\name_901.txt)");
    fs.AddDirectory(uR"(C:\logs\name_008.csv)");
    EXPECT_EQ(MakeUniqueFileName(tmpl, u"_", 3, u""), uR"(C:\logs\name_009.csv)");

    fs.AddFile(uR"(C:\logs\name_999.csv)", "");
    EXPECT_EQ(MakeUniqueFileName(tmpl, u"_", 3, u""), uR"(C:\logs\name_1000.csv)");
    fs.AddFile(uR"(C:\logs\name_1000.csv)", "");
    EXPECT_EQ(MakeUniqueFileName(tmpl, u"_", 3, u""), uR"(C:\logs\name_1001.csv)");

    fs.AddFile(uR"(C:\logs\b_9.csv)", "");
    fs.AddFile(uR"(C:\logs\b_99.csv)", "");
    EXPECT_EQ(MakeUniqueFileName(uR"(C:\logs\b.csv)", u"_", 1, u""), uR"(C:\logs\b_100.csv)");

    fs.AddFile(uR"(C:\logs\.p_5.csv)", "");
    EXPECT_EQ(MakeUniqueFileName(uR"(C:\logs\.p.csv)", u"_", 1, u""), uR"(C:\logs\.p_0.csv)");
}

TEST(MakeUniqueFileName, DirectoriesAndPlainNames) {
    platform::MemoryFileSystem fs;
    fs.AddDirectory(uR"(C:\prog)");
    fs.AddFile(uR"(C:\other\x.txt)", "");
    fs.AddFile(uR"(C:\other\x-.txt)", "");
    platform::ScopedFileSystem use(fs);
    ProgramDirectoryAt program(uR"(C:\prog\)");

    EXPECT_EQ(MakeUniqueFileName(uR"(C:\gone\name.csv)", u"_", 3, u""), uR"(C:\prog\name_000.csv)");
    EXPECT_EQ(MakeUniqueFileName(u"name.csv", u"_", 3, u""), uR"(C:\prog\name_000.csv)");
    EXPECT_EQ(MakeUniqueFileName(uR"(C:\gone\name.csv)", u"_", 3, u"", uR"(C:\other)"),
              uR"(C:\other\name_000.csv)");
    EXPECT_EQ(MakeUniqueFileName(uR"(C:\other\x.txt)", u"", 0, u""), uR"(C:\other\x.txt)");
    EXPECT_EQ(MakeUniqueFileName(uR"(C:\other\x.txt)", u"-+", 0, u""), uR"(C:\other\x--.txt)");
    // The new extension is the one probed: 'x.log' is free although 'x.txt' is not.
    EXPECT_EQ(MakeUniqueFileName(uR"(C:\other\x.txt)", u"-", 0, u"log"), uR"(C:\other\x.log)");
    EXPECT_EQ(MakeUniqueFileName(uR"(C:\other\x.txt)", u"_", 10, u""), u"");
    EXPECT_EQ(MakeUniqueFileName(uR"(C:\other\x.txt)", u"_", -1, u""), u"");
}

TEST(FindLastSerial, HighestAtEveryLevel) {
    platform::MemoryFileSystem fs;
    for (const char16_t* name : {u"r_019.htm", u"r_090.htm", u"r_091.htm", u"r_500.htm",
                                 u"r_5ab.htm", u"r_98.htm", u".r_999.htm"})
        fs.AddFile(std::u16string(uR"(C:\d\)") + name, "");
    fs.AddFile(uR"(C:\d\r_599.htm)", "", platform::kSystem | platform::kReadOnly);
    platform::ScopedFileSystem use(fs);
    EXPECT_EQ(FindLastSerial(uR"(C:\d\r_)", 3, u".htm"), u"599");
    EXPECT_EQ(FindLastSerial(uR"(C:\d\r_0)", 2, u".htm"), u"91");
    EXPECT_EQ(FindLastSerial(uR"(C:\d\r_)", 2, u".htm"), u"98");
    EXPECT_EQ(FindLastSerial(uR"(C:\d\r_)", 4, u".htm"), u"");
    EXPECT_EQ(FindLastSerial(uR"(C:\none\r_)", 3, u".htm"), u"");
    EXPECT_EQ(FindLastSerial(uR"(C:\d\.r_)", 3, u".htm"), u"");
}

namespace {

class RecordingShell final : public platform::Shell {
public:
    bool Open(std::u16string_view file, std::u16string_view working_directory) override {
        ++calls;
        this->file = file;
        directory = working_directory;
        return accept;
    }
    bool accept = true;
    int calls = 0;
    std::u16string file, directory;
};

}  // namespace

TEST(OpenDocument, HandsExistingFilesToTheShell) {
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\logs\run.csv)", "x");
    platform::ScopedFileSystem use(fs);

    EXPECT_EQ(OpenDocument(uR"(C:\logs\run.csv)"), OpenResult::Failed);  // no shell installed

    RecordingShell shell;
    platform::ScopedShell install(shell);
    EXPECT_EQ(OpenDocument(uR"(C:\logs\run.csv)"), OpenResult::Opened);
    EXPECT_EQ(shell.file, uR"(C:\logs\run.csv)");
    EXPECT_EQ(shell.directory, uR"(C:\logs\)");
    EXPECT_EQ(OpenDocument(uR"(C:\logs)"), OpenResult::NotAFile);
    EXPECT_EQ(OpenDocument(uR"(C:\logs\none.csv)"), OpenResult::NotAFile);
    EXPECT_EQ(shell.calls, 1);
    shell.accept = false;
    EXPECT_EQ(OpenDocument(uR"(C:\logs\run.csv)"), OpenResult::Failed);
}
