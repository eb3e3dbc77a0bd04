#include "platform/Cp932.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <string>

using platform::Cp932ToUtf16;
using platform::Utf16ToCp932;

TEST(Cp932, Decodes) {
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"", u""},
        {"\x5c", u"\\"},
        {"~", u"~"},
        {"\x81\x5f", u"＼"},
        {"\x81\x68", u"”"},
        {"\x82\xa0\x83\x41", u"あア"},
        {"\x95\x5c\x8e\xa6", u"表示"},  // second bytes 0x5C and 0xA6
        {"\xb1\xdf", u"ｱﾟ"},
        {"\x87\x40\xed\x40\xfa\x40", u"①纊ⅰ"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Cp932ToUtf16(cases[i].bytes), cases[i].text);
    }
}

// A broken character is one replacement character; whatever follows it is read normally.
TEST(Cp932, BrokenSequencesKeepWhatFollows) {
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"a\x82", u"a\uFFFD"},
        {"\x82\n<p>", u"\uFFFD\n<p>"},
        {"\x82\r\n", u"\uFFFD\r\n"},
        {"\xe0 x", u"\uFFFD x"},
        {"\x82\x7f", u"\uFFFD\x7f"},
        {"\x85\x40\x82\xa0", u"\uFFFD@あ"},       // an unassigned pair gives its ASCII byte back
        {"\x81\xad\x82\xa0", u"\uFFFDあ"},        // an unassigned pair of two high bytes
        {"\x82\xfd\x82\xa0", u"\uFFFD\uFFFDあ"},  // a second byte out of range
        {"\xff\xfd", u"\uFFFD\uFFFD"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Cp932ToUtf16(cases[i].bytes), cases[i].text);
    }
}

TEST(Cp932, Encodes) {
    struct Case {
        std::u16string text;
        std::string bytes;
        bool lossless;
    };
    const Case cases[] = {
        {u"", "", true},
        {u"C:\\site\\~a", "C:\\site\\~a", true},
        {u"＼”あｱ表①", "\x81\x5f\x81\x68\x82\xa0\xb1\x95\x5c\x87\x40", true},
        {u"한a", "?a", false},
        {u"\U0001F600a", "?a", false},  // one character, one '?'
        {std::u16string(u"\xD800"
                        u"a"),
         "?a", false},                                   // lone high surrogate
        {std::u16string(u"\xDC00\xD800"), "??", false},  // reversed: two lone halves
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        bool lossless = !cases[i].lossless;
        EXPECT_EQ(Utf16ToCp932(cases[i].text, &lossless), cases[i].bytes);
        EXPECT_EQ(lossless, cases[i].lossless);
    }
    const std::u16string page = u"<a href=\"表紙.htm\">目録へ</a>\r\n";
    EXPECT_EQ(Cp932ToUtf16(Utf16ToCp932(page)), page);
}

TEST(Cp932, EncodesEveryCharacterAsTheConverterDoes) {
    // The encoder's table asks ICU only about the characters it has a mapping for; every
    // other one must be one that ICU cannot encode either.
    EXPECT_EQ(Utf16ToCp932(u"\x1A\x7F"), "\x1A\x7F");
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open("windows-31j", &status);
    ASSERT_TRUE(cnv);
    ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::size_t held = 0;
    // ASCII is written as itself (ICU would swap 0x1A and 0x7F).
    for (std::uint32_t c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const UChar u = static_cast<UChar>(c);
        char buf[8];
        UErrorCode st = U_ZERO_ERROR;
        ucnv_resetFromUnicode(cnv);
        const int32_t n = ucnv_fromUChars(cnv, buf, sizeof buf, &u, 1, &st);
        // A character the converter drops (a soft hyphen) is not held either.
        const bool mapped = U_SUCCESS(st) && n > 0;
        const std::string expected = mapped ? std::string(buf, n) : "?";
        held += mapped ? 1 : 0;
        bool lossless = false;
        ASSERT_EQ(Utf16ToCp932(std::u16string(1, u), &lossless), expected) << std::hex << c;
        EXPECT_EQ(lossless, mapped) << std::hex << c;
    }
    ucnv_close(cnv);
    EXPECT_GT(held, 7000u);
}
