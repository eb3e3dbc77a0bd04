#include "engine/Warnings.h"

#include <gtest/gtest.h>

#include <iterator>

namespace HtmlLink {
namespace {

TEST(WarningNumber, EveryLevelAndTheFallback) {
    struct Case {
        int level;
        std::int32_t code;
        int number;
    };
    // clang-format off
    const Case cases[] = {
        // The same code means something else on each level.
        {1, 2, 1}, {2, 2, 12}, {3, 2, 32},
        {1, 99, 9}, {2, 99, 19}, {3, 99, 97},
        {1, 3, 2}, {1, 10, 3}, {3, 10, 41},
        {2, 1, 11}, {2, 4, 13}, {2, 5, 14}, {3, 1, 31},
        // Pairs of codes that share a number.
        {3, 102, 32}, {3, 301, 31}, {3, 308, 21}, {3, 906, 21}, {3, 302, 22}, {3, 901, 22},
        {3, 303, 23}, {3, 902, 23}, {3, 501, 61}, {3, 502, 61}, {3, 399, 98}, {3, 999, 98},
        {3, 907, 24}, {3, 903, 25}, {3, 904, 26}, {3, 905, 27}, {3, 304, 33}, {3, 305, 34},
        {3, 306, 35}, {3, 307, 36}, {3, 909, 37}, {3, 11, 42}, {3, 12, 43}, {3, 13, 44},
        {3, 14, 45}, {3, 15, 46}, {3, 16, 47}, {3, 17, 48}, {3, 18, 49}, {3, 19, 50},
        {3, 20, 51}, {3, 21, 52}, {3, 22, 53}, {3, 202, 56}, {3, 203, 57}, {3, 510, 62},
        {3, 520, 63}, {3, 530, 64}, {3, 908, 96},
        // Directories the search could not list, and links into them.
        {1, 20, 4}, {1, 21, 5}, {3, 23, 54},
        // Not in the catalogue.
        {3, 500, 99}, {1, 1, 99}, {1, 4, 99}, {2, 3, 99}, {2, 10, 99}, {3, 0, 99},
        {3, 24, 99}, {3, 100, 99}, {3, 201, 99}, {3, 401, 99}, {3, 990, 99}, {3, -1, 99},
        {0, 2, 99}, {4, 2, 99}, {-1, 99, 99},
    };
    // clang-format on
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(WarningNumber(cases[i].level, cases[i].code), cases[i].number);
    }
}

// The texts with quotes and backslashes are where an escape goes wrong.
TEST(WarningTexts, QuotesAndBackslashes) {
    EXPECT_EQ(msg::kBackslash, uR"(ディレクトリの区切り記号に "\" は使えません。)");
    EXPECT_EQ(msg::kMixedSeparators,
              uR"(ディレクトリの区切り記号に "\" と "/" が混在しています。)");
    EXPECT_EQ(std::u16string(msg::kMixedSeparators1) + std::u16string(msg::kMixedSeparators2),
              msg::kMixedSeparators);
    EXPECT_EQ(msg::kOrBackslash, uR"( か "\")");
    EXPECT_EQ(msg::kSlashAfter, uR"(の後ろに "/")");
    EXPECT_EQ(msg::kMailtoNeedsAddress, uR"("mailto:" の後にはメールアドレスが必要です。)");
    EXPECT_EQ(msg::kNoSeparatorBeforeHash1, uR"(ディレクトリ名と "#" の間に)");
    EXPECT_EQ(msg::kBaseHrefFailed, u"属性値の解釈に失敗しました");
}

}  // namespace
}  // namespace HtmlLink
