#include "verify/Warnings.h"

namespace HtmlLink {

namespace {

struct Numbered {
    std::int32_t code;
    std::uint8_t number;
};

constexpr Numbered kFileNumbers[] = {{2, 1}, {3, 2}, {10, 3}, {20, 4}, {21, 5}, {99, 9}};

constexpr Numbered kTagNumbers[] = {{1, 11}, {2, 12}, {4, 13}, {5, 14}, {99, 19}};

constexpr Numbered kAttrNumbers[] = {
    {308, 21}, {906, 21}, {302, 22}, {901, 22}, {303, 23}, {902, 23}, {907, 24}, {903, 25},
    {904, 26}, {905, 27}, {1, 31},   {301, 31}, {2, 32},   {102, 32}, {304, 33}, {305, 34},
    {306, 35}, {307, 36}, {909, 37}, {10, 41},  {11, 42},  {12, 43},  {13, 44},  {14, 45},
    {15, 46},  {16, 47},  {17, 48},  {18, 49},  {19, 50},  {20, 51},  {21, 52},  {22, 53},  {23, 54},
    {202, 56}, {203, 57}, {501, 61}, {502, 61}, {510, 62}, {520, 63}, {530, 64}, {908, 96},
    {99, 97},  {399, 98}, {999, 98},
};

template <std::size_t N>
std::uint8_t Find(const Numbered (&table)[N], std::int32_t code) {
    for (const Numbered& entry : table) {
        if (entry.code == code) return entry.number;
    }
    return 99;
}

}  // namespace

std::uint8_t WarningNumber(int level, std::int32_t code) noexcept {
    switch (level) {
        case kFileLevel:
            return Find(kFileNumbers, code);
        case kTagLevel:
            return Find(kTagNumbers, code);
        case kAttrLevel:
            return Find(kAttrNumbers, code);
        default:
            return 99;
    }
}

}  // namespace HtmlLink
