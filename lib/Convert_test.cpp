#include "lib/Convert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

TEST(ToDecimal, WholeRange) {
    EXPECT_EQ(ToDecimal(0), u"0");
    EXPECT_EQ(ToDecimal(-7), u"-7");
    EXPECT_EQ(ToDecimal(INT64_MAX), u"9223372036854775807");
    EXPECT_EQ(ToDecimal(INT64_MIN), u"-9223372036854775808");
    EXPECT_EQ(ToDecimalPadded(7, 3), u"007");
    EXPECT_EQ(ToDecimalPadded(1234, 3), u"1234");
    EXPECT_EQ(ToDecimalPadded(-7, 3), u"-007");
    EXPECT_EQ(ToDecimalPadded(INT64_MIN, 3), u"-9223372036854775808");
}

TEST(ParseDecimal, AcceptsOnlyWholeNumbersInRange) {
    struct Case {
        std::u16string text;
        bool ok;
        std::int64_t value;
    };
    const Case cases[] = {
        {u"0", true, 0},
        {u"42", true, 42},
        {u"+42", true, 42},
        {u"-42", true, -42},
        {u" \t12 \t", true, 12},
        {u"007", true, 7},
        {u"9223372036854775807", true, INT64_MAX},
        {u"-9223372036854775808", true, INT64_MIN},
        {u"9223372036854775808", false, 0},
        {u"-9223372036854775809", false, 0},
        {u"99999999999999999999999", false, 0},
        {u"", false, 0},
        {u"  ", false, 0},
        {u"-", false, 0},
        {u"+-1", false, 0},
        {u"1 2", false, 0},
        {u"12a", false, 0},
        {u"0x10", false, 0},
        {u"1.5", false, 0},
        {u"１２", false, 0},  // full-width digits are no digits here
        {u"\r\n1", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        std::int64_t value = -1;
        EXPECT_EQ(ParseDecimal(c.text, value), c.ok);
        // A failed parse leaves the caller's value alone.
        EXPECT_EQ(value, c.ok ? c.value : -1);
    }
}
