#include "lib/WebText.h"

#include <gtest/gtest.h>

#include "platform/Text.h"

using namespace WebText;

TEST(WebText, CharacterReferences) {
    const struct {
        std::u16string_view in, out;
    } cases[] = {
        {u"mailto:a&#64;b.org", u"mailto:a@b.org"},
        {u"p.html?a=1&amp;b=2", u"p.html?a=1&b=2"},
        {u"&lt;&gt;&quot;&apos;", u"<>\"'"},
        {u"&#x41;&#X42;&#67;", u"ABC"},
        {u"&copy;&nbsp;&yen;", u"\u00A9\u00A0\u00A5"},
        {u"&#x1F600;", u"\U0001F600"},
        // Left as written: unknown names, no ';', nothing after '&', bad numbers.
        {u"a&b", u"a&b"},
        {u"?x=1&copy=2", u"?x=1&copy=2"},
        {u"&unknown;", u"&unknown;"},
        {u"&#xZZ;&#;", u"&#xZZ;&#;"},
        {u"&", u"&"},
        // Numbers that name no character become the replacement character.
        {u"&#0;&#xD800;&#99999999;", u"\uFFFD\uFFFD\uFFFD"},
        {u"&amp;amp;", u"&amp;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.in));
        EXPECT_EQ(DecodeCharRefs(c.in), c.out);
    }
}

TEST(WebText, PercentDecoding) {
    std::u16string out;
    EXPECT_TRUE(PercentDecode(u"%E8%A1%A8.html", kUtf8, out));
    EXPECT_EQ(out, u"表.html");
    EXPECT_TRUE(PercentDecode(u"%3Cinit%3E(a%20b)", kUtf8, out));
    EXPECT_EQ(out, u"<init>(a b)");
    // Already decoded characters mixed with escapes.
    EXPECT_TRUE(PercentDecode(u"資料/%E8%A1%A8", kUtf8, out));
    EXPECT_EQ(out, u"資料/表");
    EXPECT_TRUE(PercentDecode(u"資料/%95%5C", kShiftJis, out));
    EXPECT_EQ(out, u"資料/表");
    // Bytes of a Japanese encoding are no UTF-8, but read in the page's encoding.
    EXPECT_FALSE(PercentDecode(u"%95%5C.html", kUtf8, out));
    EXPECT_TRUE(PercentDecode(u"%95%5C.html", kShiftJis, out));
    EXPECT_EQ(out, u"表.html");
    EXPECT_TRUE(PercentDecode(u"%C9%BD.html", kEucJp, out));
    EXPECT_EQ(out, u"表.html");
    EXPECT_FALSE(PercentDecode(u"%C9.html", kEucJp, out));
    // A '%' that starts no escape stays.
    EXPECT_TRUE(PercentDecode(u"100%.html%2", kUtf8, out));
    EXPECT_EQ(out, u"100%.html%2");
    EXPECT_FALSE(PercentDecode(u"%FF", kUtf8, out));
}

TEST(WebText, CharsetLabels) {
    EXPECT_EQ(CharsetByName(u"UTF-8"), kUtf8);
    EXPECT_EQ(CharsetByName(u" utf8 "), kUtf8);
    EXPECT_EQ(CharsetByName(u"x-sjis"), kShiftJis);
    EXPECT_EQ(CharsetByName(u"Windows-31J"), kShiftJis);
    EXPECT_EQ(CharsetByName(u"EUC-JP"), kEucJp);
    EXPECT_EQ(CharsetByName(u"iso-2022-jp"), kJis);
    EXPECT_EQ(CharsetByName(u"iso-8859-1"), kAscii);
    EXPECT_EQ(MetaCharset("<META charset=\"euc-jp\">"), kEucJp);
    EXPECT_EQ(MetaCharset("<meta http-equiv=Content-Type content='text/html; charset=Shift_JIS'>"),
              kShiftJis);
    EXPECT_EQ(MetaCharset("<p>charset=utf-8</p>"), kAscii);
    EXPECT_EQ(StylesheetCharset("@charset \"EUC-JP\";"), kEucJp);
    EXPECT_EQ(StylesheetCharset(" @charset \"EUC-JP\";"), kAscii);
}

namespace {

DecodedPage Decode(std::string bytes, std::u16string& text) {
    return DecodeBytes(std::move(bytes), text);
}

}  // namespace

TEST(WebText, PageEncodings) {
    std::u16string text;
    // A byte-order mark, and UTF-8 with multi-byte sequences.
    EXPECT_EQ(Decode("\xEF\xBB\xBF" "a\nb", text).Encoding, kUtf8);
    EXPECT_EQ(text, u"a\r\nb");
    EXPECT_EQ(Decode(platform::ToUtf8(u"日本語\r表"), text).Encoding, kUtf8);
    EXPECT_EQ(text, u"日本語\r\n表");
    // UTF-8 that the Japanese detection would call EUC-JP.
    EXPECT_EQ(Decode(platform::ToUtf8(u"ｱｲｳｴｵ漢字"), text).Encoding, kUtf8);
    EXPECT_EQ(text, u"ｱｲｳｴｵ漢字");
    // The Japanese encodings as before.
    EXPECT_EQ(Decode("\x95\x5C\x8E\xA6", text).Encoding, kShiftJis);
    EXPECT_EQ(text, u"表示");
    EXPECT_EQ(Decode("\xC6\xFC\xCB\xDC", text).Encoding, kEucJp);
    EXPECT_EQ(text, u"日本");
    EXPECT_EQ(Decode("\x1B$BF|K\\\x1B(B", text).Encoding, kJis);
    EXPECT_EQ(text, u"日本");
    EXPECT_EQ(Decode("plain", text).Encoding, kAscii);
    // Not text.
    EXPECT_EQ(Decode(std::string("a\x01", 2), text).Encoding, kUnreadable);
}

TEST(WebText, InvalidBytesAreReplacedAndTheirLineTold) {
    std::u16string text;
    const struct {
        const char* name;
        std::string bytes;
        PageEncoding encoding;
        std::u16string text;
        int line;
    } cases[] = {
        {"EUC-JP lead before ASCII", "\xC6\xFC\xCB\xDC\xB8\xEC\n\xC6<a>", kEucJp, u"日本語\r\n\uFFFD<a>", 2},
        {"UTF-8 with a stray byte",
         platform::ToUtf8(u"一二三四五六七八九十") + "\r\n\r\n\x80x", kUtf8,
         u"一二三四五六七八九十\r\n\r\n\uFFFDx", 3},
        {"Shift_JIS lead at the end", "\x95\x5C\x8E\xA6\x95\x5C\n\x95", kShiftJis,
         u"表示表\r\n\uFFFD", 2},
        // As code page 932 reads the pair the conversion makes: no character, and its ASCII
        // second byte back. The run of pairs goes on after it.
        {"EUC-JP run through an unmapped pair",
         "\xC6\xFC\xCB\xDC\xB8\xEC\xA9\xA1\xC6\xFC\xCB\xDC", kEucJp, u"日本語\uFFFD@日本", 0},
        {"EUC-JP JIS X 0212 is valid but has no code page 932 form",
         "\xC6\xFC\xCB\xDC\xB8\xEC\x8F\xB0\xA1", kEucJp, u"日本語\uFFFD", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedPage page = Decode(c.bytes, text);
        EXPECT_EQ(page.Encoding, c.encoding);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(page.FirstBadLine, c.line);
    }
}

// The ASCII loop takes sixteen bytes at a time: a character, a line break or a bad byte at the
// edge of such a block, or at the end, must come out as it does anywhere else.
TEST(WebText, BlockEdgesAndTheEnd) {
    const std::string a15(15, 'a');
    const std::u16string u15(15, u'a');
    // Enough valid sequences that a few bad bytes leave the page UTF-8.
    const std::u16string kanji = u"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十";
    const std::string utf8 = platform::ToUtf8(kanji);
    std::u16string text;
    const struct {
        const char* name;
        std::string bytes;
        std::u16string text;
        int line;
    } cases[] = {
        {"UTF-8 across a block", a15 + platform::ToUtf8(u"日本") + a15, u15 + u"日本" + u15, 0},
        {"UTF-8 four bytes across a block", a15 + platform::ToUtf8(u"日\U0001F600") + a15,
         u15 + u"日\U0001F600" + u15, 0},
        {"UTF-8 CR LF across a block", a15 + "\r\n" + platform::ToUtf8(u"日"), u15 + u"\r\n日", 0},
        {"UTF-8 lone CR and LF", platform::ToUtf8(u"日") + a15 + "\r" + a15 + "\n",
         u"日" + u15 + u"\r\n" + u15 + u"\r\n", 0},
        {"UTF-8 cut short by a line break", utf8 + "\xe6\x97\n" + a15 + "\x80",
         kanji + u"\uFFFD\uFFFD\r\n" + u15 + u"\uFFFD", 1},
        {"UTF-8 cut short by the end", utf8 + "\r\r" + a15 + "\xe6\x97",
         kanji + u"\r\n\r\n" + u15 + u"\uFFFD\uFFFD", 3},
        {"EUC-JP across a block, bad byte on line 3", a15 + "\xc6\xfc\n\r\n" + a15 + "\xc6",
         u15 + u"日\r\n\r\n" + u15 + u"\uFFFD", 3},
        {"EUC-JP katakana and JIS X 0212", "\xc6\xfc\xcb\xdc\xc6\xfc\x8e\xb1\x8f\xb0\xa1\xc6\xfc\xcb\xdc",
         u"日本日ｱ\uFFFD日本", 0},
        {"EUC-JP shift cut by a line break", "\xc6\xfc\xc6\xfc\x8e\n", u"日日\uFFFD\r\n", 1},
        {"Shift_JIS lead at the end after a block", "\x93\xfa\x93\xfa" + a15 + "\r\n\x93",
         u"日日" + u15 + u"\r\n\uFFFD", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedPage page = Decode(c.bytes, text);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(page.FirstBadLine, c.line);
    }
}
