#include "platform/FileNameCompare.h"

#include <gtest/gtest.h>

using platform::CompareFileNames;
using platform::FoldCase;

TEST(CompareFileNames, Order) {
    struct Case {
        std::u16string a, b;
        int result;
    };
    const Case cases[] = {
        {u"index.htm", u"INDEX.HTM", 0},
        {u"ａｂｃ.htm", u"ＡＢＣ.HTM", 1},  // full-width letters never fold
        {u"x_y.htm", u"xz.htm", 1},          // '_' sorts after the upper-case letters
        {u"", u"a", -1},
        {u"", u"", 0},
        {u"a.htm", u"a.htm.bak", -1},
        {uR"(C:\site\a\)", uR"(C:\site\a\sub\)", -1},
        {uR"(C:\site\a\sub\)", uR"(C:\site\a_b\)", -1},
        {u"é.htm", u"É.HTM", 0},             // outside a-z the Unicode upper case applies
        {u"éａ", u"Éａ", 1},                 // ... unless a full-width letter is present
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(CompareFileNames(cases[i].a, cases[i].b), cases[i].result);
        EXPECT_EQ(CompareFileNames(cases[i].b, cases[i].a), -cases[i].result);
    }
}

TEST(FoldCase, KeepsLengthAndFullWidth) {
    EXPECT_EQ(FoldCase(u"Ｔest.htm"), u"ＴEST.HTM");
    EXPECT_EQ(FoldCase(u"straße"), u"STRAßE");  // simple mapping: one unit stays one unit
    const std::u16string odd = std::u16string(u"a") + char16_t(0xDC80) + u'\0';
    EXPECT_EQ(FoldCase(odd).size(), odd.size());
    EXPECT_EQ(FoldCase(u""), u"");
}
