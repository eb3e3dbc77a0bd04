#include "lib/VornCharSet.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/MemoryFileSystem.h"
#include "platform/Text.h"
#include "testutil/TempDir.h"

using namespace VornCharSet;

namespace {

std::string ReadData(const char* name) {
    std::ifstream in(std::string(MOKUROKU_TEST_DATA) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::u16string DataPath(const char* name) {
    return platform::HostToDrive(std::string(MOKUROKU_TEST_DATA) + "/" + name);
}

std::string Repeat(std::string_view piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

// The sample page as every encoder wrote it, with the CR LF line breaks of the decoded text.
const std::u16string kPage =
    u"<html>\r\n<head><title>目録のテスト</title></head>\r\n<body>\r\n"
    u"<p>日本語のテキスト、半角ｶﾀｶﾅ。鬱蒼とした森の薔薇と麒麟。</p>\r\n"
    u"<a href=\"表紙.htm#上\">表紙へ戻る</a>\r\n</body>\r\n</html>\r\n";
// ISO-2022-JP has no half-width katakana, so its sample has full-width ones.
const std::u16string kJisPage =
    u"<html>\r\n<head><title>目録のテスト</title></head>\r\n<body>\r\n"
    u"<p>日本語のテキスト、全角カタカナ。鬱蒼とした森の薔薇と麒麟。</p>\r\n"
    u"<a href=\"表紙.htm#上\">表紙へ戻る</a>\r\n</body>\r\n</html>\r\n";

}  // namespace

TEST(DetectCharSet, Evidence) {
    const std::string sjis_pair = "\x93\xfa";  // 日
    const std::string euc_pair = "\xc6\xfc";   // 日
    struct Case {
        std::string bytes;
        int expected;
    };
    const Case cases[] = {
        {"", 0},
        {"<p>plain ASCII</p>\r\n", 0},
        {"\x07\x1a\x7f\x80\xa0\xff", 0},
        {"\x93\xfa\x96\x7b\x8c\xea", 3},  // 日本語 in Shift_JIS
        {"\xc6\xfc\xcb\xdc\xb8\xec", 2},  // 日本語 in EUC-JP
        {"\xe9\xac\xe9\xaf\xf3\xca", 2},  // 薔薇麒 in EUC-JP, leads from 0xE0
        {"\xe5\x4b\xe5\x4e", 3},          // 薔薇 in Shift_JIS
        {"\xe0\xa1\xe0\xa1", 2},          // only A1 E0 counts, for EUC-JP
        {"\xb6\xc0\xb6\xc5", 2},          // ｶﾀｶﾅ in Shift_JIS
        {"\x93\xfa\xc6\xfc", 0},          // a tie
        {"\x81\x7f\x81\x7f", 0},          // 0x7F is no second byte
        {"abc\x88", 0},                   // a lead at the end
        {"a\x1b$Bxyz", 1},
        {"a\x1b$@xyz", 1},
        {"a\x1b(Jxyz", 1},
        {"a\x1b(Bxyz", 1},
        {"a\x1b(Ixyz", 1},
        {"\x93\xfa\x1b$A\x93\xfa", 3},  // an unknown escape
        {"abc\x1b", 0},
        {"abc\x1b$", 0},
        {"abc\x1b$B", 1},
        {"abc\x03", 4},
        {std::string("a\0b", 3), 4},
        {"\x93\xfa\x81\x03", 4},  // 0x03 is no second byte either
        {Repeat(sjis_pair, 39) + "\x03", 4},
        {Repeat(sjis_pair, 40) + "\x03", 3},
        {Repeat(euc_pair, 39) + "\x1b$B", 1},
        {Repeat(euc_pair, 40) + "\x1b$B", 2},
        // The judgement ends at the 40th pair, so later evidence is not weighed.
        {Repeat(euc_pair, 21) + Repeat(sjis_pair, 19) + Repeat(sjis_pair, 10), 2},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(DetectCharSet(cases[i].bytes), cases[i].expected);
    }
}

TEST(DetectLineBreak, Styles) {
    struct Case {
        std::string bytes;
        int maximum, style, count;
    };
    const Case cases[] = {
        {"", 1, 0, 0},       {"abc", 0, 0, 0},      {"a\rb", 1, 1, 1},    {"a\nb", 1, 2, 1},
        {"a\r\nb", 1, 3, 1}, {"a\r", 1, 1, 1},      {"a\r\n\n", 0, 4, 2}, {"a\r\n\n", 1, 3, 1},
        {"\n\r", 0, 4, 2},   {"\r\n\r\n", 0, 3, 2}, {"\n\n\r", 2, 2, 2},  {"\r\r\n", 5, 4, 2},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::int32_t count = -1;
        EXPECT_EQ(DetectLineBreak(cases[i].bytes, cases[i].maximum, &count), cases[i].style);
        EXPECT_EQ(count, cases[i].count);
    }
}

// Every routine that writes line breaks shares one normalisation; ASCII text converts the same
// in all three.
TEST(LineBreaks, NormalisationTable) {
    struct Case {
        std::string input;
        std::uint8_t style;
        std::string output;
        bool changed;
    };
    const Case cases[] = {
        {"a\r\nb", 0, "a\r\nb", false},  {"a\rb", 0, "a\rb", false},
        {"a\nb", 0, "a\nb", false},      {"a\r\nb", 1, "a\rb", true},
        {"a\rb", 1, "a\rb", false},      {"a\nb", 1, "a\rb", true},
        {"a\r\nb", 2, "a\nb", true},     {"a\rb", 2, "a\nb", true},
        {"a\nb", 2, "a\nb", false},      {"a\r\nb", 3, "a\r\nb", false},
        {"a\rb", 3, "a\r\nb", true},     {"a\nb", 3, "a\r\nb", true},
        {"\r", 3, "\r\n", true},         {"\n\r\n\r", 3, "\r\n\r\n\r\n", true},
        {"\r\r\n\n", 2, "\n\n\n", true}, {"\n\n\n\n", 3, "\r\n\r\n\r\n\r\n", true},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        std::string buffer = c.input;
        EXPECT_EQ(ConvertLineBreaks(buffer, c.style), c.changed ? 1 : 0);
        EXPECT_EQ(buffer, c.output);
        buffer = c.input;
        EXPECT_EQ(EucToSjis(buffer, c.style), 0);
        EXPECT_EQ(buffer, c.output);
        buffer = c.input;
        EXPECT_EQ(JisToSjis(buffer, c.style), 0);
        EXPECT_EQ(buffer, c.output);
    }
    for (std::uint8_t bad : {4, 5, 255}) {
        SCOPED_TRACE(bad);
        std::string buffer = "a\nb";
        EXPECT_EQ(ConvertLineBreaks(buffer, bad), 2);
        EXPECT_EQ(EucToSjis(buffer, bad), 1);
        EXPECT_EQ(JisToSjis(buffer, bad), 1);
        EXPECT_EQ(buffer, "a\nb");
    }
}

TEST(Converters, RealJapaneseText) {
    const std::string sjis = ReadData("charset_sjis.htm");
    std::string euc = ReadData("charset_euc.htm");
    ASSERT_FALSE(euc.empty());
    ASSERT_EQ(EucToSjis(euc, 0), 0);
    EXPECT_EQ(euc, sjis);

    std::string jis = ReadData("charset_jis.htm");
    ASSERT_EQ(JisToSjis(jis, 3), 0);
    EXPECT_EQ(jis.find('\x1b'), std::string::npos);
    EXPECT_EQ(platform::Cp932ToUtf16(jis), kJisPage);
}

TEST(JisToSjis, Modes) {
    struct Case {
        std::string input, output;
    };
    const Case cases[] = {
        {"\x1b$BF|K\\\x1b(Ba",
         "\x93\xfa\x96\x7b"
         "a"},  // 日本, both escapes dropped
        {"\x1b$@F|\x1b(J~", "\x93\xfa~"},
        {"\x1b$Bt&\x1b(B", "\xea\xa4"},                          // 熙, a row from 0x5F up
        {"\x1b(I\x36\x40\x36\x45\x1b(Bz", "\xb6\xc0\xb6\xc5z"},  // ｶﾀｶﾅ
        {"a\x1b$Az", "a\x1b$Az"},                                // unknown escape: ordinary bytes
        {"ab\x1b", "ab\x1b"},
        {"ab\x1b(", "ab\x1b("},
        {"\x1b$B", ""},
        // A line left in two-byte mode still ends at its line break, which is normalised.
        {"\x1b$BF|\nK\\\x1b(B", "\x93\xfa\r\n\x96\x7b"},
        {"\x1b(I\x36\r\n\x36", "\xb6\r\n\xb6"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::string buffer = cases[i].input;
        EXPECT_EQ(JisToSjis(buffer, 3), 0);
        EXPECT_EQ(buffer, cases[i].output);
    }
    const std::string failures[] = {
        "\x1b$BF|K",       // an odd byte left in two-byte mode
        "\x1b$BF\r\n",     // a character cut by a line break
        "\x1b$B0\x90",     // second byte beyond 0xFF
        "\x1b$B\xa0\x30",  // first byte beyond 0xFF
        "\x1b(I\xb6",      // katakana beyond 0xFF
    };
    for (size_t i = 0; i < std::size(failures); ++i) {
        SCOPED_TRACE(i);
        std::string buffer = failures[i];
        EXPECT_EQ(JisToSjis(buffer, 3), 1);
        EXPECT_EQ(buffer, failures[i]);
    }
}

TEST(EucToSjis, SingleShiftsAndMalformedPairs) {
    struct Case {
        std::string input, output;
    };
    const Case cases[] = {
        {"\x8e\xb6\x8e\xc0", "\xb6\xc0"},  // ｶﾀ
        {"\x8f\xb0\xa1", "\x8f\x88\x9f"},  // SS3 kept, its pair converted
        {"\x80\xa0\xff", "\x80\xa0\xff"},
        {"\xa1\xa1\xa1\xe0\xfe\xfe", "\x81\x40\x81\x80\xef\xfc"},
        {"\xdf\xa1\xa4\xa2", "\xe0\x40\x82\xa0"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        std::string buffer = cases[i].input;
        EXPECT_EQ(EucToSjis(buffer, 3), 0);
        EXPECT_EQ(buffer, cases[i].output);
    }
    const std::string failures[] = {
        "abc\xc6",   // a lead at the end
        "\xc6\n",    // a lead before a line break
        "\xa2\r\n",  // even lead: the arithmetic alone would keep it
        "\xa4<p>",   // a lead before ASCII
        "\xa4\xff",
        "ab\x8e",  // single shift at the end
        "\x8e\r\n",
    };
    for (size_t i = 0; i < std::size(failures); ++i) {
        SCOPED_TRACE(i);
        std::string buffer = failures[i];
        EXPECT_EQ(EucToSjis(buffer, 3), 1);
        EXPECT_EQ(buffer, failures[i]);
    }
}

// The pair count runs in blocks; a CR LF split across a block edge is still one break.
TEST(LineBreaks, PairsAcrossCountingBlocks) {
    for (size_t at : {0, 1, 253, 254, 255, 256, 508, 509, 510}) {
        SCOPED_TRACE(at);
        std::string buffer(at, 'a');
        buffer += "\r\n";
        buffer += std::string(600, 'b');
        std::string expected = buffer;
        expected.erase(at, 1);
        EXPECT_EQ(ConvertLineBreaks(buffer, 2), 1);
        EXPECT_EQ(buffer, expected);
    }
}

TEST(ConvertCharSet, InternalCodes) {
    const std::string sjis_lf = "\x93\xfa\x96\x7b\na";
    struct Case {
        std::string input;
        std::uint8_t source, target, style;
        int code;
        std::string output;
    };
    const Case cases[] = {
        {sjis_lf, 4, 3, 3, 3, "\x93\xfa\x96\x7b\r\na"},
        {"\x93\xfa\x96\x7b\r\n", 4, 3, 3, 8, "\x93\xfa\x96\x7b\r\n"},
        {"a\nb", 4, 3, 3, 0, "a\r\nb"},
        {"a\r\nb", 4, 3, 3, 5, "a\r\nb"},
        {"", 4, 3, 3, 5, ""},
        {"\xc6\xfc\n", 4, 3, 3, 2, "\x93\xfa\r\n"},
        {"\xc6\xfc\r\n", 4, 3, 3, 2, "\x93\xfa\r\n"},
        {"\x1b$BF|\x1b(B\n", 4, 3, 3, 1, "\x93\xfa\r\n"},
        {"a\x02\n", 4, 3, 3, 104, "a\x02\n"},
        {"\xc6\xfc\xcb", 4, 3, 3, 102, "\xc6\xfc\xcb"},
        {"\xc6\xfc\xcb", 2, 3, 3, 102, "\xc6\xfc\xcb"},  // given, detected afterwards
        {"\x1b$BF|K", 4, 3, 3, 101, "\x1b$BF|K"},
        {sjis_lf, 3, 3, 3, 4, "\x93\xfa\x96\x7b\r\na"},  // given: no detected code
        {"a\r\n", 0, 3, 3, 9, "a\r\n"},
        {"\xc6\xfc\n", 4, 0, 2, 9, "\xc6\xfc\n"},  // target 0: line breaks only
        {"\xc6\xfc\n", 4, 0, 1, 4, "\xc6\xfc\r"},
        {"\x93\xfa", 3, 2, 3, 103, "\x93\xfa"},  // no converter for the pair
        {sjis_lf, 4, 3, 7, 99, sjis_lf},
        {"a\nb\r\n", 4, 3, 4, 0, "a\nb\n"},  // style 4 takes the first break
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        std::string buffer = c.input;
        std::uint8_t target = c.target, style = c.style;
        EXPECT_EQ(ConvertCharSet(buffer, c.source, target, style), c.code);
        EXPECT_EQ(buffer, c.output);
    }

    std::string buffer = "a\nb\r\n";
    std::uint8_t target = 3, style = 4, found = 0;
    EXPECT_EQ(ConvertCharSet(buffer, 4, target, style, &found), 0);
    EXPECT_EQ(style, 2);
    EXPECT_EQ(found, 2);
    buffer = "a\rb";
    style = 3;
    found = 255;  // the caller did not ask
    EXPECT_EQ(ConvertCharSet(buffer, 4, target, style, &found), 0);
    EXPECT_EQ(found, 255);
}

TEST(DecodeTextFile, SampleFiles) {
    struct Case {
        const char* name;
        int code;
        std::u16string text;
    };
    const Case cases[] = {
        {"charset_sjis.htm", 3, kPage},
        {"charset_euc.htm", 2, kPage},
        {"charset_jis.htm", 1, kJisPage},
        // The conversion failed, so the text is the EUC-JP bytes read as Shift_JIS.
        {"charset_euc_cut.htm", 6, u"<p>ﾅﾓﾃ讀ﾇﾀﾚ､\uFFFDｿﾊ"},
        {"no_such_file.htm", 99, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::u16string text = u"old";
        EXPECT_EQ(DecodeTextFile(DataPath(c.name), text), c.code);
        EXPECT_EQ(text, c.text);
    }

    std::u16string text;
    std::uint8_t found = 9;
    EXPECT_EQ(DecodeTextFile(DataPath("charset_sjis.htm"), text, 3, 2, &found), 3);
    EXPECT_EQ(found, 2);
    EXPECT_EQ(text.find(u'\r'), std::u16string::npos);
    EXPECT_EQ(DecodeTextFile(DataPath("charset_sjis.htm"), text, 0), 0);
    EXPECT_EQ(text, kPage);
    EXPECT_EQ(DecodeTextFile(DataPath("charset_euc.htm"), text, 2, 0), 2);
    EXPECT_EQ(text.find(u'\r'), std::u16string::npos);
    EXPECT_EQ(DecodeTextFile(DataPath("charset_sjis.htm"), text, 3, 9), 99);
    EXPECT_EQ(text.substr(0, 6), u"<html>");
}

TEST(DecodeTextFile, SmallAndBadFiles) {
    platform::MemoryFileSystem fs;
    fs.AddFile(uR"(C:\s\empty.htm)", "");
    fs.AddFile(uR"(C:\s\lf.htm)", "<p>a</p>\n<p>b</p>\n");
    fs.AddFile(uR"(C:\s\binary.htm)", std::string("GIF89a\x01\0\x01\0", 10));
    fs.AddFile(uR"(C:\s\esc.htm)", "<p>a</p>\x1b");
    fs.AddFile(uR"(C:\s\locked.htm)", "<p>a</p>");
    fs.FailReads(uR"(C:\s\locked.htm)");
    fs.AddDirectory(uR"(C:\s\dir.htm)");
    platform::ScopedFileSystem use(fs);
    struct Case {
        const char16_t* path;
        int code;
        std::u16string text;
    };
    const Case cases[] = {
        {uR"(C:\s\empty.htm)", 0, u""},
        {uR"(C:\s\lf.htm)", 0, u"<p>a</p>\r\n<p>b</p>\r\n"},
        {uR"(C:\s\binary.htm)", 4, std::u16string(u"GIF89a\x01\0\x01\0", 10)},
        {uR"(C:\s\esc.htm)", 0, u"<p>a</p>\x1b"},
        {uR"(C:\s\locked.htm)", 99, u""},
        {uR"(C:\s\dir.htm)", 99, u""},
        {uR"(C:\s\missing.htm)", 99, u""},
        {u"", 99, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path)));
        std::u16string text = u"old";
        EXPECT_EQ(DecodeTextFile(c.path, text), c.code);
        EXPECT_EQ(text, c.text);
    }
}

TEST(DecodeTextFile, HostFilesThatAreNotThere) {
    testutil::TempDir dir;
    dir.MakeDir("sub.htm");
    dir.Write("gone.htm", "<p>a</p>");
    std::vector<platform::DirEntry> entries;
    ASSERT_EQ(platform::Fs().List(dir.Drive() + u"*.htm", platform::kDirectory, entries),
              platform::ListResult::Ok);
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_TRUE(platform::Fs().Remove(dir.Drive() + u"gone.htm"));
    std::u16string text;
    EXPECT_EQ(DecodeTextFile(dir.Drive() + u"gone.htm", text), 99);
    EXPECT_EQ(DecodeTextFile(dir.Drive() + u"sub.htm", text), 99);
    EXPECT_TRUE(text.empty());
}

namespace {

std::string RandomBytes(std::mt19937& rng, size_t max_size) {
    std::uniform_int_distribution<size_t> size(0, max_size);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s(size(rng), '\0');
    for (char& c : s) c = static_cast<char>(byte(rng));
    return s;
}

// Bytes of the kinds the converters look at, so that random text reaches every branch.
std::string RandomLine(std::mt19937& rng) {
    static const std::string kPieces[] = {
        "a",    "<p>",      " ",        "\x1b$B",   "\x1b(B",   "\x1b(I", "\x1b(J", "\x1b", "\x8e",
        "\x8f", "\xa4\xa2", "\xc6\xfc", "\xe9\xac", "\x93\xfa", "\xb6",   "F|",     "K\\",  "\xff",
        "\x80", "\xa1",     "k",        "n",        "\x0c",     "\x1f",   "\xa2"};
    std::uniform_int_distribution<size_t> count(0, 12), piece(0, std::size(kPieces) - 1);
    std::string s;
    for (size_t i = count(rng); i > 0; --i) s += kPieces[piece(rng)];
    return s;
}

std::string Mutate(std::string s, std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255), what(0, 3), edits(1, 4);
    for (int e = edits(rng); e > 0 && !s.empty(); --e) {
        std::uniform_int_distribution<size_t> at(0, s.size() - 1);
        switch (what(rng)) {
            case 0:
                s[at(rng)] = static_cast<char>(byte(rng));
                break;
            case 1:
                s.erase(at(rng), 1);
                break;
            case 2:
                s.insert(at(rng), 1, static_cast<char>(byte(rng)));
                break;
            default:
                s.resize(at(rng));
                break;
        }
    }
    return s;
}

// A copy whose storage goes on past its end with bytes that would change the result if a
// routine read them.
std::string WithTrap(const std::string& s) {
    std::string t;
    t.reserve(s.size() + 16);
    t = s;
    t.append("\x1b$B\xa4\xa2\x8e\r\n\x1b(B\xc6\xfc\x93\xfa");
    t.resize(s.size());
    return t;
}

size_t CountLines(std::u16string_view text) {
    size_t lines = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        if (text[i] == u'\r' || text[i] == u'\n') ++lines;
    }
    return lines;
}

bool Failed(int code) { return code >= 100 || code == 99; }

}  // namespace

TEST(CharSetFuzz, Invariants) {
    std::mt19937 rng(5150);
    const std::string samples[] = {ReadData("charset_sjis.htm"), ReadData("charset_euc.htm"),
                                   ReadData("charset_jis.htm")};
    for (int round = 0; round < 4000; ++round) {
        SCOPED_TRACE(round);
        std::string input;
        size_t lines = 0;
        switch (round % 3) {
            case 0:
                input = RandomBytes(rng, 300);
                break;
            case 1:
                input = Mutate(samples[round % 9 / 3], rng);
                break;
            default:
                // CR LF mostly, which the run asks for; lone breaks show a break that was eaten.
                const char* const kBreaks[] = {"\r\n", "\r\n", "\n", "\r"};
                const char* const line_break = kBreaks[round / 3 % 4];
                lines = std::uniform_int_distribution<size_t>(0, 6)(rng);
                for (size_t i = 0; i < lines; ++i) input += RandomLine(rng) + line_break;
                input += RandomLine(rng);
        }
        const std::string trapped = input + "\x1b$B\xc6";
        const std::uint8_t charset = DetectCharSet(input);
        EXPECT_LE(charset, 4);
        EXPECT_EQ(DetectCharSet(std::string_view(trapped).substr(0, input.size())), charset);

        std::string plain = input, buffer = WithTrap(input);
        std::uint8_t target = 3, style = 3, target2 = 3, style2 = 3;
        const std::uint8_t code = ConvertCharSet(buffer, 4, target, style);
        EXPECT_EQ(ConvertCharSet(plain, 4, target2, style2), code);
        EXPECT_EQ(buffer, plain);
        if (Failed(code)) {
            EXPECT_EQ(buffer, input);
        } else if (round % 3 == 2) {
            EXPECT_EQ(CountLines(platform::Cp932ToUtf16(buffer)), lines);
        }

        for (auto convert : {&EucToSjis, &JisToSjis}) {
            std::string b = WithTrap(input), p = input;
            const std::uint8_t r = convert(b, 3);
            EXPECT_EQ(convert(p, 3), r);
            EXPECT_EQ(b, r ? input : p);
            if (r == 0 && round % 3 == 2) {
                EXPECT_EQ(CountLines(platform::Cp932ToUtf16(b)), lines);
            }
        }
    }
}

namespace {

// What the one-pass decoder must give: the conversion to Shift_JIS with CR LF line breaks, then
// code page 932; nullopt where the conversion fails.
std::optional<std::u16string> TwoPasses(std::string bytes, std::uint8_t encoding) {
    std::uint8_t target = kShiftJis, style = kCrLf;
    if (ConvertCharSet(bytes, encoding, target, style) >= kConversionFailed) return std::nullopt;
    return platform::Cp932ToUtf16(bytes);
}

std::optional<std::u16string> OnePass(const std::string& bytes, std::uint8_t encoding) {
    TextBuffer text;
    if (!DecodeToUtf16(bytes, encoding, text)) return std::nullopt;
    return std::u16string(text.View());
}

}  // namespace

// The ASCII loop takes sixteen bytes at a time, so what stands at the edge of such a block, or
// at the end, is where it could part from the converters.
TEST(DecodeToUtf16, AgreesWithConvertingTwiceAtBlockEdges) {
    const std::string a15(15, 'a'), a16(16, 'a'), a31(31, 'a');
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"pair across a block", a15 + "\x93\xfa" + a16},
        {"EUC-JP pair across a block", a15 + "\xc6\xfc" + a16},
        {"CR LF across a block", a15 + "\r\n" + a16},
        {"lone CR at a block's end", a15 + "\r" + a16},
        {"lone LF first in a block", a16 + "\n" + a15},
        {"lone CR last of all", a31 + "\r"},
        {"CR CR LF LF", a15 + "\r\r\n\n"},
        {"lead at the end", a31 + "\x93"},
        {"lead before a line break", a15 + "\x93\r\n"},
        {"lead before ASCII", a15 + "\x93z"},
        {"unmapped pair gives its ASCII byte back", a15 + "\x85\x40" + a16},
        {"lone lead byte then a pair", "\x81\x93\xfa" + a16},
        {"escape at the end", a31 + "\x1b$"},
        {"escape cut after one byte", a15 + "\x1b"},
        {"two-byte mode left open", "\x1b$BF|K\\" + a16},
        {"two-byte mode across a block", a15 + "\x1b$BF|K\\\x1b(B" + a16},
        {"two-byte character cut by the end", "\x1b$BF|K"},
        {"two-byte character cut by a line break", "\x1b$BF\r\nK\\"},
        {"line break inside two-byte mode", "\x1b$BF|\r\nK\\\x1b(B"},
        {"katakana mode", "\x1b(I16\x1b(B" + a16},
        {"katakana mode with a high byte", "\x1b(I\xb1"},
        {"EUC-JP single shift", a15 + "\x8e\xb1" + a16},
        {"EUC-JP single shift cut by a line break", "\x8e\n"},
        {"EUC-JP copied lead joins the next pair", "\x8f\xc6\xfc" + a16},
        {"EUC-JP copied lead before a line break", "\x81\r\n"},
        {"EUC-JP pair with a bad second byte", "\xc6\x41"},
        {"EUC-JP unmapped row", "\xa9\xa1" + a16},
        {"control bytes", std::string("\x01\x0c\x1f", 3) + a16},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        for (std::uint8_t encoding : {kNoEncoding, kIso2022Jp, kEucJp, kShiftJis}) {
            SCOPED_TRACE(std::string(c.name) + " as " + std::to_string(encoding));
            EXPECT_EQ(OnePass(c.bytes, encoding), TwoPasses(c.bytes, encoding));
        }
    }
}

TEST(DecodeToUtf16, AgreesWithConvertingTwiceOnRandomText) {
    std::mt19937 rng(2718);
    const std::string samples[] = {ReadData("charset_sjis.htm"), ReadData("charset_euc.htm"),
                                   ReadData("charset_jis.htm")};
    const char* const kBreaks[] = {"\r\n", "\n", "\r", "\n\r"};
    for (int round = 0; round < 3000; ++round) {
        std::string input;
        switch (round % 3) {
            case 0:
                input = RandomBytes(rng, 100);
                break;
            case 1:
                input = Mutate(samples[round % 9 / 3], rng);
                break;
            default:
                for (int line = round % 7; line > 0; --line)
                    input += std::string(round % 19, 'x') + RandomLine(rng) + kBreaks[line % 4];
        }
        for (std::uint8_t encoding : {kNoEncoding, kIso2022Jp, kEucJp, kShiftJis}) {
            SCOPED_TRACE(testing::Message() << "round " << round << " as " << int(encoding));
            ASSERT_EQ(OnePass(input, encoding), TwoPasses(input, encoding));
        }
    }
}

// The file reader with a buffer kept by the thread: every result and text as before, also
// when a large file is followed by a small one.
TEST(DecodeTextFile, IntoAReusedBufferAsIntoAString) {
    platform::MemoryFileSystem fs;
    const std::string big = Repeat("\x93\xfa\x96\x7b\r\n", 5000);
    const struct {
        const char16_t* path;
        std::string bytes;
    } files[] = {
        {uR"(C:\big.htm)", big},
        {uR"(C:\sjis.htm)", ReadData("charset_sjis.htm")},
        {uR"(C:\euc.htm)", ReadData("charset_euc.htm")},
        {uR"(C:\jis.htm)", ReadData("charset_jis.htm")},
        {uR"(C:\bad-euc.htm)", "\xc6\xfc\xcb\xdc\xc6"},
        {uR"(C:\bad-jis.htm)", "a\x1b$BF"},
        {uR"(C:\binary.htm)", std::string("a\0b\r", 4)},
        {uR"(C:\empty.htm)", ""},
    };
    for (const auto& f : files) fs.AddFile(f.path, f.bytes);
    platform::ScopedFileSystem use(fs);
    TextBuffer buffer;
    for (const auto& f : files) {
        SCOPED_TRACE(platform::ToUtf8(f.path));
        std::string bytes = f.bytes;
        std::uint8_t target = kShiftJis, style = kCrLf;
        const std::uint8_t code = ConvertCharSet(bytes, kDetectEncoding, target, style);
        const std::uint8_t result = DecodeTextFile(f.path, buffer);
        EXPECT_EQ(buffer.View(), platform::Cp932ToUtf16(bytes));
        if (code < kConversionFailed) EXPECT_EQ(result, code % kLinesUnchanged);
        else EXPECT_EQ(result, code == kConversionFailed + kNotText ? kNotText
                                                                    : code - kConversionFailed + 4);
    }
    EXPECT_EQ(DecodeTextFile(uR"(C:\missing.htm)", buffer), kCharSetFailure);
    EXPECT_TRUE(buffer.View().empty());
}
