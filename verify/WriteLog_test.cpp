#include "verify/WriteLog.h"

#include <gtest/gtest.h>

#include "engine/Warnings.h"
#include "lib/Convert.h"
#include "lib/VornText.h"
#include "platform/Cp932.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Program.h"
#include "platform/Text.h"
#include "testutil/FailingAllocation.h"
#include "testutil/ScanTables.h"

namespace HtmlLink {
namespace {

using testutil::Attr;
using testutil::File;
using testutil::Tag;

// A small site after a run: warnings at every level, notes to add, a failed scan, and a file
// after the end of a cancelled scan that must not appear.
FileTable Site() {
    FileTable t;
    t.push_back(File(
        uR"(C:\site\index.htm)", ScanOk, {},
        {Tag(u"A", 3,
             {Attr(u"href", u"\"sub/x.htm\"", uR"(C:\site\sub\x.htm)", 3, 10,
                   {{10, u"リンク先のファイルが見つかりません。"}}),
              Attr(u"name", u"\"top\"", u"top", 3, 501,
                   {{501, u"このアンカーは既に 2 行目で定義されています。"}})}),
         Tag(u"IMG", 5, {Attr(u"id", u"i", u"", 5, 500)},
             {{2, u"src 属性が設定されていません。"}, {1, u"alt 属性が重複定義されています。"}}),
         Tag(u"a", 7, {Attr(u"href", u"\"http://example.com/\"", u"http://example.com/", 7, 100)}),
         Tag(u"A", 8,
             {Attr(u"href", u"'#Top'", uR"(C:\site\index.htm#Top)", 8, 18,
                   {{18, u"指定されたアンカーが見つかりません。"}})}),
         Tag(u"A", 9,
             {Attr(u"href", u"\"mailto:\"", u"mailto:", 9, 202,
                   {{202, u"\"mailto:\" の後にはメールアドレスが必要です。"}}),
              Attr(u"", u"", u"", 0, 0, {{10, u"never printed"}})}),
         Tag(u"A", 10, {Attr(u"href", u"\"later.htm\"", uR"(C:\site\later.htm)", 10, 3)}),
         Tag(u"", 0, {Attr(u"href", u"x", u"x", 11, 10, {{10, u"never printed"}})})}));
    t.push_back(File(uR"(C:\site\img\logo.gif)", ScanNotHtml,
                     {{10, u"このファイルは、どこからもリンクされていません。"}}));
    t.push_back(File(uR"(C:\site\style.css)", ScanNotHtml, {}));
    t.push_back(File(uR"(C:\site\broken.htm)", ScanUnknownError,
                     {{99, u"HTML 構造の解析中に未知のエラーを起こしました。"}},
                     {Tag(u"A", 2,
                          {Attr(u"href", u"\"../../up.htm\"", uR"(C:\up.htm)", 2, 2,
                                {{2, u"相対パスが基準ディレクトリより上を参照しています。"}})})}));
    t.push_back(FileEntry{});
    t.push_back(File(uR"(C:\site\unscanned.htm)", ScanOk, {{10, u"never printed"}}));
    return t;
}

std::u16string FirstLine() {
    const int minor = platform::VersionMinor();
    return u"Mokuroku (Version " + ToDecimal(platform::VersionMajor()) + u"." +
           (minor < 10 ? u"0" : u"") + ToDecimal(minor) + u") チェック結果\r\n\r\n";
}

const std::u16string kFootnotes =
    u"\r\n----------------------------------------\r\n\r\n"
    u"（それぞれの警告メッセージの末尾に \"[]\" で警告番号を示してあります。\r\n"
    u"  ヘルプの「警告メッセージ一覧」で、各メッセージのより詳しい説明と\r\n"
    u"  対処法を読むことができます。）\r\n";

class WriteLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_.Name = u"テスト";
        set_.LocalPath = uR"(C:\site)";
        run_.Set = &set_;
        run_.Options = &options_;
        run_.Files = &files_;
        run_.LogDateTime = u"12-07-2026 09:05:00";
        files_ = Site();
    }

    std::u16string Compose(std::int32_t& count) {
        std::u16string text;
        EXPECT_TRUE(ComposeLog(run_, text, count));
        return text;
    }

    CheckSet set_;
    Settings options_;
    FileTable files_;
    RunContext run_;
};

TEST_F(WriteLogTest, PlainText) {
    options_.LogType = 0;
    run_.LocalCheck = true;
    run_.RemoteCheck = true;
    const FileTable before = files_;
    std::int32_t count = -1;
    const std::u16string text = Compose(count);
    const std::u16string expected =
        FirstLine() +
        u"========================================\r\n"
        u"チェックセット名 : テスト\r\n"
        u"基準ディレクトリ : C:\\site\r\n"
        u"日時 : 12-07-2026 09:05:00\r\n"
        u"========================================\r\n"
        u"\r\n"
        u"◆ /index.htm\r\n"
        u"\r\n"
        u"  【3 行目】 <A> タグの href 属性値 \"sub/x.htm\" (→ C:\\site\\sub\\x.htm)\r\n"
        u"    リンク先のファイルが見つかりません。 [41]\r\n"
        u"\r\n"
        u"  【3 行目】 <A> タグの name 属性値 \"top\"\r\n"
        u"    このアンカーは既に 2 行目で定義されています。 [61]\r\n"
        u"\r\n"
        u"  【5 行目】 <IMG> タグ\r\n"
        u"    src 属性が設定されていません。 [12]\r\n"
        u"  【5 行目】 <IMG> タグ\r\n"
        u"    alt 属性が重複定義されています。 [11]\r\n"
        u"\r\n"
        u"  【7 行目】 <a> タグの href 属性値 \"http://example.com/\"\r\n"
        u"    途中キャンセルされたため、未チェック。\r\n"
        u"\r\n"
        u"  【8 行目】 <A> タグの href 属性値 '#Top' (→ C:\\site\\index.htm#Top)\r\n"
        u"    指定されたアンカーが見つかりません。 [49]\r\n"
        u"\r\n"
        u"  【9 行目】 <A> タグの href 属性値 \"mailto:\"\r\n"
        u"    \"mailto:\" の後にはメールアドレスが必要です。 [56]\r\n"
        u"\r\n"
        u"  【10 行目】 <A> タグの href 属性値 \"later.htm\" (→ C:\\site\\later.htm)\r\n"
        u"    途中キャンセルされたため、未チェック。\r\n"
        u"\r\n"
        u"◆ /img/logo.gif\r\n"
        u"\r\n"
        u"  このファイルは、どこからもリンクされていません。 [3]\r\n"
        u"\r\n"
        u"◆ /broken.htm\r\n"
        u"\r\n"
        u"  HTML 構造の解析中に未知のエラーを起こしました。 [9]\r\n"
        u"\r\n" +
        kFootnotes;
    EXPECT_EQ(text, expected);
    EXPECT_EQ(count, 8);
    // The notes went to copies.
    EXPECT_TRUE(files_[0].Tags[2].Attrs[0].Warnings.empty());
    EXPECT_EQ(files_[0].Tags[5].Attrs[0].Warnings.size(),
              before[0].Tags[5].Attrs[0].Warnings.size());
}

TEST_F(WriteLogTest, CommaSeparated) {
    options_.LogType = 1;
    options_.AlwaysLogRemoteLink = 1;
    run_.LocalCheck = true;
    run_.RemoteCheck = false;
    std::int32_t count = -1;
    const std::u16string text = Compose(count);
    const std::u16string expected =
        FirstLine() +
        u"\"チェックセット名\",\"テスト\"\r\n"
        u"\"基準ディレクトリ\",\"C:\\site\"\r\n"
        u"\"日時\",\"12-07-2026 09:05:00\"\r\n"
        u"\r\n"
        u"\"ファイル名\",\"行数\",\"タグ名\",\"属性名\",\"属性値\",\"リンク先\",\"警告 "
        u"ID\",\"警告内容\"\r\n"
        u"\"/index.htm\",3,\"A\",\"href\",\"\"\"sub/x.htm\"\"\",\"C:\\site\\sub\\x.htm\",41,"
        u"\"リンク先のファイルが見つかりません。\"\r\n"
        u"\"/index.htm\",3,\"A\",\"name\",\"\"\"top\"\"\",,61,"
        u"\"このアンカーは既に 2 行目で定義されています。\"\r\n"
        u"\"/index.htm\",5,\"IMG\",,,,12,\"src 属性が設定されていません。\"\r\n"
        u"\"/index.htm\",5,\"IMG\",,,,11,\"alt 属性が重複定義されています。\"\r\n"
        u"\"/index.htm\",7,\"a\",\"href\",\"\"\"http://example.com/"
        u"\"\"\",,,\"リモートへのリンク。\"\r\n"
        u"\"/index.htm\",8,\"A\",\"href\",\"'#Top'\",\"C:\\site\\index.htm#Top\",49,"
        u"\"指定されたアンカーが見つかりません。\"\r\n"
        u"\"/index.htm\",9,\"A\",\"href\",\"\"\"mailto:\"\"\",,56,"
        u"\"\"\"mailto:\"\" の後にはメールアドレスが必要です。\"\r\n"
        u"\"/index.htm\",10,\"A\",\"href\",\"\"\"later.htm\"\"\",\"C:\\site\\later.htm\",,"
        u"\"途中キャンセルされたため、未チェック。\"\r\n"
        u"\"/img/logo.gif\",,,,,,3,\"このファイルは、どこからもリンクされていません。\"\r\n"
        u"\"/broken.htm\",,,,,,9,\"HTML 構造の解析中に未知のエラーを起こしました。\"\r\n"
        u"\"/broken.htm\",2,\"A\",\"href\",\"\"\"../../up.htm\"\"\",\"C:\\up.htm\",32,"
        u"\"相対パスが基準ディレクトリより上を参照しています。\"\r\n"
        u"\"/broken.htm\",2,\"A\",\"href\",\"\"\"../../up.htm\"\"\",\"C:\\up.htm\",,"
        u"\"途中キャンセルされたため、未チェック。\"\r\n" +
        kFootnotes;
    EXPECT_EQ(text, expected);
    EXPECT_EQ(count, 9);
}

TEST_F(WriteLogTest, TabSeparatedWithFullPaths) {
    options_.LogType = 2;
    options_.AlwaysLogRemoteLink = 0;
    options_.TrimLogPath = 0;
    options_.UseSlashLogPath = 0;
    run_.LocalCheck = false;
    run_.RemoteCheck = false;
    std::int32_t count = -1;
    const std::u16string text = Compose(count);
    const std::u16string p = uR"(C:\site\index.htm)";
    const std::u16string expected =
        FirstLine() +
        u"チェックセット名\tテスト\r\n"
        u"基準ディレクトリ\tC:\\site\r\n"
        u"日時\t12-07-2026 09:05:00\r\n"
        u"\r\n"
        u"ファイル名\t行数\tタグ名\t属性名\t属性値\tリンク先\t警告 ID\t警告内容\r\n" +
        p +
        u"\t3\tA\thref\t\"sub/"
        u"x.htm\"\tC:\\site\\sub\\x.htm\t41\tリンク先のファイルが見つかりません。\r\n" +
        p + u"\t3\tA\tname\t\"top\"\t\t61\tこのアンカーは既に 2 行目で定義されています。\r\n" + p +
        u"\t5\tIMG\t\t\t\t12\tsrc 属性が設定されていません。\r\n" + p +
        u"\t5\tIMG\t\t\t\t11\talt 属性が重複定義されています。\r\n" + p +
        u"\t8\tA\thref\t'#Top'\tC:\\site\\index.htm#"
        u"Top\t49\t指定されたアンカーが見つかりません。\r\n" +
        p + u"\t9\tA\thref\t\"mailto:\"\t\t56\t\"mailto:\" の後にはメールアドレスが必要です。\r\n" +
        u"C:\\site\\img\\logo."
        u"gif\t\t\t\t\t\t3\tこのファイルは、どこからもリンクされていません。\r\n"
        u"C:\\site\\broken.htm\t\t\t\t\t\t9\tHTML 構造の解析中に未知のエラーを起こしました。\r\n"
        u"C:\\site\\broken.htm\t2\tA\thref\t\"../../up.htm\"\tC:\\up.htm\t32\t"
        u"相対パスが基準ディレクトリより上を参照しています。\r\n" +
        kFootnotes;
    EXPECT_EQ(text, expected);
    EXPECT_EQ(count, 9);
}

TEST_F(WriteLogTest, NothingToWarnAbout) {
    files_ = {File(uR"(C:\site\a.htm)", ScanOk, {},
                   {Tag(u"A", 1, {Attr(u"href", u"b.htm", uR"(C:\site\b.htm)", 1, 40)})})};
    const std::u16string closing = u"\r\n（警告すべき点はありません）";
    std::int32_t count = -1;
    options_.LogType = 0;
    EXPECT_EQ(Compose(count), FirstLine() +
                                  u"========================================\r\n"
                                  u"チェックセット名 : テスト\r\n"
                                  u"基準ディレクトリ : C:\\site\r\n"
                                  u"日時 : 12-07-2026 09:05:00\r\n"
                                  u"========================================\r\n"
                                  u"\r\n" +
                                  closing);
    EXPECT_EQ(count, 0);
    options_.LogType = 1;
    EXPECT_TRUE(Compose(count).ends_with(u"\"警告内容\"\r\n" + closing));
    EXPECT_EQ(count, 0);
}

TEST_F(WriteLogTest, DisplayPaths) {
    struct Case {
        std::u16string local_path;
        std::uint8_t trim, slash;
        std::u16string shown;
    };
    const Case cases[] = {
        {uR"(C:\site)", 1, 1, u"/sub/a.htm"},
        {uR"(C:\site\)", 1, 1, u"sub/a.htm"},
        {uR"(C:\site)", 1, 0, uR"(\sub\a.htm)"},
        {uR"(C:\site)", 0, 1, u"C:/site/sub/a.htm"},
        {uR"(C:\a\much\longer\base\directory)", 1, 1, u""},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        set_.LocalPath = cases[i].local_path;
        options_.TrimLogPath = cases[i].trim;
        options_.UseSlashLogPath = cases[i].slash;
        files_ = {File(uR"(C:\site\sub\a.htm)", ScanNotHtml, {{10, u"w"}})};
        std::int32_t count = 0;
        const std::u16string text = Compose(count);
        EXPECT_NE(text.find(u"◆ " + cases[i].shown + u"\r\n\r\n  w [3]\r\n"), text.npos);
        EXPECT_NE(text.find(u"基準ディレクトリ : " + cases[i].local_path + u"\r\n"), text.npos);
    }
}

TEST_F(WriteLogTest, WritesCodePage932AndReplacesTheOldLog) {
    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    fs.AddDirectory(uR"(C:\logs)");
    const std::u16string path = uR"(C:\logs\テスト.txt)";
    fs.AddFile(path, "an old and much longer log that must not survive in any part");
    set_.Name = u"josé";
    EXPECT_EQ(WriteLog(run_, path), 8);
    std::string bytes;
    ASSERT_TRUE(fs.Contents(path, bytes));
    std::u16string text;
    std::int32_t count = 0;
    ASSERT_TRUE(ComposeLog(run_, text, count));
    EXPECT_EQ(bytes, platform::Utf16ToCp932(text));
    EXPECT_TRUE(bytes.starts_with("Mokuroku (Version "));  // no byte-order mark
    EXPECT_NE(
        bytes.find("\x83\x60\x83\x46\x83\x62\x83\x4E\x83\x5A\x83\x62\x83\x67\x96\xBC : jos?\r\n"),
        bytes.npos);
    EXPECT_NE(bytes.find("\x81\x9F /index.htm\r\n"), bytes.npos);
    std::string temp;
    EXPECT_FALSE(fs.Contents(path + u".tmp", temp));
}

TEST_F(WriteLogTest, Utf8KeepsEveryCharacterAndMarksOnlyCsv) {
    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    fs.AddDirectory(uR"(C:\logs)");
    set_.Name = u"josé 사이트";
    struct Case {
        std::uint8_t type, encoding;
        bool utf8, bom;
    };
    const Case cases[] = {{0, kLogEncodingUtf8, true, false}, {1, kLogEncodingUtf8, true, true},
                          {2, kLogEncodingUtf8, true, false}, {1, kLogEncodingCp932, false, false},
                          {1, kLogEncodingInvalid, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.type) << "/" << int(c.encoding));
        options_.LogType = c.type;
        options_.LogEncoding = c.encoding;
        const std::u16string path = uR"(C:\logs\log.txt)";
        const std::int32_t written = WriteLog(run_, path);
        std::string bytes;
        ASSERT_TRUE(fs.Contents(path, bytes));
        std::u16string text;
        std::int32_t count = 0;
        ASSERT_TRUE(ComposeLog(run_, text, count));
        EXPECT_EQ(written, count);
        const std::string expected = c.utf8 ? std::string(c.bom ? "\xEF\xBB\xBF" : "") +
                                                  platform::ToUtf8(text)
                                            : platform::Utf16ToCp932(text);
        EXPECT_EQ(bytes, expected);
        EXPECT_EQ(bytes.find("josé 사이트") != bytes.npos, c.utf8);
    }
}

TEST_F(WriteLogTest, FailedWriteLeavesTheOldLog) {
    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    EXPECT_EQ(WriteLog(run_, uR"(C:\missing\log.txt)"), -1);
    std::string bytes;
    EXPECT_FALSE(fs.Contents(uR"(C:\missing\log.txt)", bytes));

    fs.AddFile(uR"(C:\logs\log.txt)", "old log", platform::kReadOnly);
    EXPECT_EQ(WriteLog(run_, uR"(C:\logs\log.txt)"), -1);
    ASSERT_TRUE(fs.Contents(uR"(C:\logs\log.txt)", bytes));
    EXPECT_EQ(bytes, "old log");
    EXPECT_FALSE(fs.Contents(uR"(C:\logs\log.txt.tmp)", bytes));

    EXPECT_EQ(WriteLog(run_, u""), -1);
}

TEST_F(WriteLogTest, NoteFollowsTheWarningsAsTheListsNextEntry) {
    // A free slot before the list's last entry ends what is shown; the note takes a free last one.
    struct Case {
        WarningList warnings;
        std::vector<std::u16string> shown;  // empty: the attribute is not in the log
    };
    const std::u16string note(msg::kNoteCancelled);
    const Case cases[] = {
        {{}, {note}},
        {{{10, u"w1"}}, {u"w1 [41]", note}},
        {{{10, u"w1"}, {10, u""}}, {u"w1 [41]", note}},
        {{{10, u""}}, {note}},
        {{{10, u"w1"}, {10, u""}, {10, u"w3"}}, {u"w1 [41]"}},
        {{{10, u""}, {10, u"w2"}}, {}},
        {{{kNote, u"n1"}, {10, u"w2"}}, {u"n1", u"w2 [41]", note}},
    };
    options_.LogType = 0;
    run_.LocalCheck = true;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        files_ = {
            File(uR"(C:\site\a.htm)", ScanOk, {},
                 {Tag(u"A", 4,
                      {Attr(u"href", u"b.htm", uR"(C:\site\b.htm)", 4, 3, cases[i].warnings)})})};
        std::u16string block;
        if (!cases[i].shown.empty()) {
            block =
                u"◆ /a.htm\r\n\r\n  【4 行目】 <A> タグの href 属性値 b.htm (→ "
                u"C:\\site\\b.htm)\r\n";
            for (const std::u16string& line : cases[i].shown) block += u"    " + line + u"\r\n";
            block += u"\r\n";
        }
        std::int32_t count = -1;
        const std::u16string text = Compose(count);
        const std::size_t start = text.find(u"========================================\r\n\r\n");
        ASSERT_NE(start, text.npos);
        EXPECT_EQ(text.substr(start + 44, block.size()), block);
        EXPECT_EQ(text.substr(start + 44 + block.size(), 2), u"\r\n");
    }
}

// Enough files for every number of threads to cut the log in other places, with what a cut or a
// record could break: a surrogate pair ending a path, one in a value, the bytes of a name that
// is not UTF-8, quotes, commas and tabs, values of digits alone, a failed scan that still lists
// its tags in records, notes, files with nothing to say, and a free slot in a warning list.
FileTable ManyFiles() {
    FileTable t;
    for (int i = 0; i < 26; ++i) {
        const std::u16string d = uR"(C:\site\d)" + ToDecimal(i) + u"\\";
        switch (i % 6) {
            case 0:
                t.push_back(File(d + u"\U0001F600", ScanNotHtml,
                                 {{10, u"このファイルは、どこからもリンクされていません。"}}));
                break;
            case 1:
                t.push_back(File(
                    d + u"a\xDC81\xDCFF.htm", ScanOk, {},
                    {Tag(u"A", i,
                         {Attr(u"href", u"\"x\t\"\",y\U0001F600.htm\"",
                               d + u"x\t\",y\U0001F600.htm", i, 10, {{10, u"見つかりません。"}}),
                          Attr(u"name", u"123", u"123", i, 501, {{501, u"重複 \"123\"。"}})})}));
                break;
            case 2:
                t.push_back(File(d + u"quiet.htm", ScanOk, {},
                                 {Tag(u"A", 4, {Attr(u"href", u"q.htm", d + u"q.htm", 4, 40)})}));
                break;
            case 3: {
                WarningList holed{{10, u"shown"}, {10, u""}, {10, u"after the hole"}};
                t.push_back(
                    File(d + u"notes.htm", ScanOk, {},
                         {Tag(u"a", 2,
                              {Attr(u"href", u"\"http://h/\"", u"http://h/", 2, 100),
                               Attr(u"src", u"s.gif", d + u"s.gif", 2, 3),
                               Attr(u"href", u"t.htm", d + u"t.htm", 2, 3, std::move(holed))},
                              {{2, u"タグの警告"}})}));
                break;
            }
            case 4:
                t.push_back(File(d + u"broken.htm", ScanUnknownError, {{99, u"未知のエラー"}},
                                 {Tag(u"IMG", 7,
                                      {Attr(u"src", u"\"../up.gif\"", uR"(C:\up.gif)", 7, 2,
                                            {{2, u"上を参照"}})})}));
                break;
            default:
                t.push_back(
                    File(d + u"\r\nline.htm", ScanOk, {},
                         {Tag(u"A", 1,
                              {Attr(u"href", u"\"\\\"", d + u"\xF05C", 1, 10, {{10, u"a\tb"}})})}));
        }
    }
    return t;
}

struct Shape {
    std::uint8_t type, encoding;
    bool local, remote, always_remote, interrupted, unsearched, clean;
};

std::string ShapeName(const Shape& s) {
    return "type " + std::to_string(s.type) + " encoding " + std::to_string(s.encoding) +
           (s.local ? " local" : "") + (s.remote ? " remote" : "") +
           (s.always_remote ? " always-remote" : "") + (s.interrupted ? " interrupted" : "") +
           (s.unsearched ? " unsearched" : "") + (s.clean ? " clean" : "");
}

class ThreadedLogTest : public WriteLogTest {
protected:
    void Use(const Shape& s) {
        files_ = s.clean ? FileTable{File(uR"(C:\site\a.htm)", ScanOk, {})} : ManyFiles();
        if (s.clean) files_.resize(3);  // one file, then free slots
        options_.LogType = s.type;
        options_.LogEncoding = s.encoding;
        options_.AlwaysLogRemoteLink = s.always_remote ? 1 : 0;
        run_.LocalCheck = s.local;
        run_.RemoteCheck = s.remote;
        run_.Interrupted = s.interrupted;
        run_.Unsearched = s.unsearched ? &unsearched_ : nullptr;
    }
    const VornFileList::UnsearchedList unsearched_{{uR"(C:\site\locked\)", false},
                                                   {uR"(C:\site\deep\)", true}};
};

const Shape kShapes[] = {
    {0, kLogEncodingCp932, true, true, false, false, false, false},
    {0, kLogEncodingUtf8, false, false, true, true, true, false},
    {1, kLogEncodingUtf8, true, false, true, false, true, false},
    {1, kLogEncodingCp932, false, true, false, true, false, false},
    {2, kLogEncodingUtf8, true, true, false, false, true, false},
    {2, kLogEncodingCp932, false, false, false, true, false, false},
    {0, kLogEncodingUtf8, true, false, false, false, false, true},
    {1, kLogEncodingUtf8, false, false, false, true, false, true},
    {1, kLogEncodingCp932, false, false, false, false, true, true},
};

TEST_F(ThreadedLogTest, SameLogOnAnyNumberOfThreads) {
    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    fs.AddDirectory(uR"(C:\logs)");
    const std::u16string path = uR"(C:\logs\log.txt)";
    for (const Shape& s : kShapes) {
        SCOPED_TRACE(ShapeName(s));
        Use(s);
        std::u16string one;
        std::int32_t one_count = -1;
        ASSERT_TRUE(ComposeLog(run_, one, one_count, 1));
        const std::int32_t written = WriteLog(run_, path, 1);
        EXPECT_EQ(written, one_count);
        std::string one_bytes;
        ASSERT_TRUE(fs.Contents(path, one_bytes));
        // The file is the text encoded as a whole, with the mark only at its start.
        const bool utf8 = s.encoding == kLogEncodingUtf8;
        EXPECT_EQ(one_bytes, utf8 ? (s.type == 1 ? "\xEF\xBB\xBF" : "") + platform::ToUtf8(one)
                                  : platform::Utf16ToCp932(one));
        EXPECT_EQ(one_count == 0, s.clean && !s.unsearched);
        for (unsigned threads : {2u, 3u, 5u, 16u, 0u}) {
            SCOPED_TRACE(threads);
            std::u16string text;
            std::int32_t count = -1;
            ASSERT_TRUE(ComposeLog(run_, text, count, threads));
            EXPECT_EQ(text, one);
            EXPECT_EQ(count, one_count);
            EXPECT_EQ(WriteLog(run_, path, threads), one_count);
            EXPECT_EQ(CountLogWarnings(run_, threads), one_count);
            std::string bytes;
            ASSERT_TRUE(fs.Contents(path, bytes));
            EXPECT_EQ(bytes, one_bytes);
        }
    }
}

TEST_F(ThreadedLogTest, RecordsAreTheTabSeparatedLinesAsCsv) {
    // A tab inside a field parts it in CSV as the tab between two fields does.
    Use(kShapes[4]);
    std::u16string tsv, csv;
    std::int32_t count = 0;
    options_.LogType = 2;
    ASSERT_TRUE(ComposeLog(run_, tsv, count, 3));
    options_.LogType = 1;
    ASSERT_TRUE(ComposeLog(run_, csv, count, 3));
    std::vector<std::u16string> tsv_lines, csv_lines;
    ASSERT_EQ(VornText::SplitText(tsv, u"\r\n", tsv_lines, true), 0);
    ASSERT_EQ(VornText::SplitText(csv, u"\r\n", csv_lines, true), 0);
    ASSERT_EQ(tsv_lines.size(), csv_lines.size());
    std::size_t records = 0;
    for (std::size_t i = 0; i < tsv_lines.size(); ++i) {
        SCOPED_TRACE(i);
        const bool record = tsv_lines[i].find(u'\t') != std::u16string::npos;
        records += record ? 1 : 0;
        EXPECT_EQ(csv_lines[i], record ? VornText::TabToCsv(tsv_lines[i]) : tsv_lines[i]);
    }
    EXPECT_GT(records, 40u);
}

TEST_F(ThreadedLogTest, AFailureAnywhereFailsTheWholeLog) {
    platform::MemoryFileSystem fs;
    platform::ScopedFileSystem use(fs);
    fs.AddDirectory(uR"(C:\logs)");
    const std::u16string path = uR"(C:\logs\log.txt)";
    for (const Shape& s : {kShapes[1], kShapes[3]}) {
        SCOPED_TRACE(ShapeName(s));
        Use(s);
        std::u16string expected_text;
        std::int32_t expected = -1;
        ASSERT_TRUE(ComposeLog(run_, expected_text, expected, 1));
        ASSERT_EQ(WriteLog(run_, path, 1), expected);
        std::string expected_bytes;
        ASSERT_TRUE(fs.Contents(path, expected_bytes));
        for (unsigned threads : {1u, 4u}) {
            SCOPED_TRACE(threads);
            int failures = 0;
            for (std::int64_t n = 1;; ++n) {
                std::u16string text;
                std::int32_t count = -1;
                bool composed = false, failed = false;
                {
                    testutil::FailingAllocation fail(n);
                    composed = ComposeLog(run_, text, count, threads);
                    failed = fail.Failed();
                }
                if (!failed) break;
                if (composed) {
                    // An allocation the log can do without: a helper thread not started.
                    EXPECT_EQ(text, expected_text) << n;
                    EXPECT_EQ(count, expected) << n;
                } else {
                    ++failures;
                    EXPECT_TRUE(text.empty()) << n;
                    EXPECT_EQ(count, 0) << n;
                }
            }
            EXPECT_GT(failures, 20);
            for (std::int64_t n = 1;; ++n) {
                fs.AddFile(path, "old");
                std::int32_t written = 0;
                bool failed = false;
                {
                    testutil::FailingAllocation fail(n);
                    written = WriteLog(run_, path, threads);
                    failed = fail.Failed();
                }
                if (!failed) break;
                std::string bytes;
                ASSERT_TRUE(fs.Contents(path, bytes));
                if (written < 0) {
                    // The old log, or the new one whole when only letting go of the
                    // temporary file failed: never a log cut short.
                    EXPECT_TRUE(bytes == "old" || bytes == expected_bytes) << n;
                } else {
                    EXPECT_EQ(written, expected) << n;
                    EXPECT_EQ(bytes, expected_bytes) << n;
                }
            }
        }
    }
}

TEST(TargetColumn, ShowsTheTargetOnlyWhenItSaysMore) {
    struct Case {
        std::u16string value, target;
        int code;
        bool shown;
    };
    const Case cases[] = {
        {u"\"x.htm\"", uR"(C:\site\x.htm)", 10, true},                 // relative
        {u"\"sub/\"", uR"(C:\site\sub\index.htm)", 40, true},          // default document
        {uR"("C:\site\x.htm")", uR"(C:\site\x.htm)", 40, false},       // as written
        {uR"("c:\SITE\x.htm")", uR"(C:\site\x.htm)", 12, false},       // case alone is not shown
        {uR"(C:\site\x.htm#Top)", uR"(C:\site\x.htm#top)", 18, true},  // anchor case differs
        {uR"('c:\site\X.htm#top')", uR"(C:\site\x.htm#top)", 40, false},
        {u"\"http://h/A.htm#x\"", u"http://h/a.htm#x", 100, true},   // remote path is exact
        {u"\"http://H/a.htm#x\"", u"http://h/a.htm#x", 100, false},  // remote host is folded
        {u"\"http://h/A.htm\"", u"http://h/a.htm", 100, false},
        {u"\"top\"", u"elsewhere", 500, false},  // anchors, BASE, failures
        {u"\"ftp:x\"", u"other", 401, false},
        {u"\"\"", uR"(C:\site\)", 906, false},
        {u"\"#a\"", uR"(C:\site\a.htm#a)", 300, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const AttrEntry a = Attr(u"href", cases[i].value, cases[i].target, 1, cases[i].code);
        EXPECT_EQ(TargetColumn(a), cases[i].shown ? cases[i].target : u"");
    }
}

TEST(CompareUrls, HeadsFoldedRestExact) {
    struct Case {
        std::u16string a, b;
        int result;
    };
    const Case cases[] = {
        {u"http://a.com/x", u"http://a.com/x", 0}, {u"http://A.COM/x", u"http://a.com/x", 0},
        {u"HTTP://a.com/x", u"http://a.com/x", 0}, {u"http://a.com/X", u"http://a.com/x", -1},
        {u"http://a.com/x", u"http://a.com/X", 1}, {u"http://a.com/z", u"http://b.com/a", -1},
        {u"http://b.com/a", u"http://a.com/z", 1}, {u"", u"http://a.com/", -1},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(CompareUrls(cases[i].a, cases[i].b), cases[i].result);
    }
}

}  // namespace
}  // namespace HtmlLink
