#include "lib/VornFileIo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/MemoryFileSystem.h"
#include "testutil/TempDir.h"

using VornFileIo::ReadTextFile;
using VornFileIo::WriteTextFile;

namespace {

std::string HostBytes(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(TextFiles, Cp932OnDisk) {
    testutil::TempDir tmp;
    const std::u16string path = tmp.Drive() + u"log.txt";
    const std::u16string text = u"リンク先のファイルが見つかりません。\r\n表示 ＼ ”\r\n";
    ASSERT_EQ(WriteTextFile(path, text, 0, 0), 1);
    // 'リ' is 0x83 0x8A, '表' 0x95 0x5C (a second byte that is '\'), '＼' 0x81 0x5F.
    const std::string bytes = HostBytes(tmp.Host() + "/log.txt");
    EXPECT_EQ(bytes.substr(0, 2), "\x83\x8A");
    EXPECT_NE(bytes.find("\x95\x5C\x8E\xA6 \x81\x5F \x81\x68"), std::string::npos);
    std::u16string back = u"stale";
    ASSERT_EQ(ReadTextFile(path, back, 0), 1);
    EXPECT_EQ(back, text);

    ASSERT_EQ(WriteTextFile(path, u"追記", 0, 1), 1);
    ASSERT_EQ(ReadTextFile(path, back, 0), 1);
    EXPECT_EQ(back, text + u"追記");

    // Writing anew cuts a longer file to exactly the new text.
    ASSERT_EQ(WriteTextFile(path, u"短い", 0, 0), 1);
    ASSERT_EQ(ReadTextFile(path, back, 0), 1);
    EXPECT_EQ(back, u"短い");
    EXPECT_EQ(HostBytes(tmp.Host() + "/log.txt"), "\x92\x5A\x82\xA2");

    // Append creates a missing file; a character the code page lacks becomes '?'.
    const std::u16string fresh = tmp.Drive() + u"new.txt";
    ASSERT_EQ(WriteTextFile(fresh,
                            u"a\u00E9\xD800"
                            u"b",
                            0, 1),
              1);
    EXPECT_EQ(HostBytes(tmp.Host() + "/new.txt"), "a??b");
}

TEST(TextFiles, Failures) {
    testutil::TempDir tmp;
    std::u16string text = u"stale";
    EXPECT_EQ(ReadTextFile(tmp.Drive() + u"missing.txt", text, 0), 0);
    EXPECT_EQ(text, u"");
    text = u"stale";
    EXPECT_EQ(ReadTextFile(tmp.Drive(), text, 1), 0);  // a directory
    EXPECT_EQ(text, u"");
    EXPECT_EQ(WriteTextFile(tmp.Drive() + uR"(no\such\dir.txt)", u"x", 0, 0), 0);
    EXPECT_EQ(WriteTextFile(tmp.Drive(), u"x", 0, 0), 0);
    EXPECT_EQ(WriteTextFile(uR"(D:\x.txt)", u"x", 0, 0), 0);

    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\bad.txt)", "abc");
    fs.FailReads(uR"(C:\bad.txt)");
    fs.AddFile(uR"(C:\ro.txt)", "abc", platform::kReadOnly);
    platform::ScopedFileSystem use(fs);
    text = u"stale";
    EXPECT_EQ(ReadTextFile(uR"(C:\bad.txt)", text, 0), 0);
    EXPECT_EQ(text, u"");
    EXPECT_EQ(WriteTextFile(uR"(C:\ro.txt)", u"x", 0, 1), 0);
}

TEST(TextFiles, RawUnits) {
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\odd.bin)", std::string("\x41\x00\xFF\xFE\x7F", 5));
    platform::ScopedFileSystem use(fs);
    std::u16string text;
    ASSERT_EQ(ReadTextFile(uR"(C:\odd.bin)", text, 1), 1);
    EXPECT_EQ(text, (std::u16string{u'A', u'\xFEFF', u'\x7F'}));

    ASSERT_EQ(WriteTextFile(uR"(C:\raw.bin)", std::u16string{u'A', u'\xD800', u'\x0100'}, 1, 0), 1);
    std::string bytes;
    ASSERT_TRUE(fs.Contents(uR"(C:\raw.bin)", bytes));
    EXPECT_EQ(bytes, std::string("\x41\x00\x00\xD8\x00\x01", 6));
    ASSERT_EQ(WriteTextFile(uR"(C:\raw.bin)", u"", 1, 1), 1);
    ASSERT_EQ(ReadTextFile(uR"(C:\raw.bin)", text, 1), 1);
    EXPECT_EQ(text, (std::u16string{u'A', u'\xD800', u'\x0100'}));

    ASSERT_EQ(WriteTextFile(uR"(C:\empty.bin)", u"", 0, 0), 1);
    text = u"stale";
    ASSERT_EQ(ReadTextFile(uR"(C:\empty.bin)", text, 0), 1);
    EXPECT_EQ(text, u"");
}

// A log goes to disk in pieces; the old file stays whole until every piece is written.
TEST(ReplacingWrite, PiecesInOrderOrTheOldFileUntouched) {
    testutil::TempDir tmp;
    const std::u16string path = tmp.Drive() + u"log.txt";
    const std::string_view pieces[] = {"head\r\n", "", "part one\r\n", "tail\r\n"};
    ASSERT_TRUE(VornFileIo::WriteFileReplacing(path, pieces));
    EXPECT_EQ(HostBytes(tmp.Host() + "/log.txt"), "head\r\npart one\r\ntail\r\n");
    ASSERT_TRUE(VornFileIo::WriteFileReplacing(path, std::span<const std::string_view>()));
    EXPECT_EQ(HostBytes(tmp.Host() + "/log.txt"), "");

    ASSERT_TRUE(VornFileIo::WriteFileReplacing(path, "old"));
    // The temporary file cannot be made: a directory holds its name.
    tmp.Write("log.txt.tmp/x", "");
    EXPECT_FALSE(VornFileIo::WriteFileReplacing(path, pieces));
    EXPECT_EQ(HostBytes(tmp.Host() + "/log.txt"), "old");
}
