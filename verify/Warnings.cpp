#include "verify/Warnings.h"

namespace HtmlLink {

namespace {

std::uint8_t FileLevelNumber(std::int32_t code) {
    switch (code) {
        case 2: return 1;
        case 3: return 2;
        case 10: return 3;
        case 99: return 9;
        default: return 99;
    }
}

std::uint8_t TagLevelNumber(std::int32_t code) {
    switch (code) {
        case 1: return 11;
        case 2: return 12;
        case 4: return 13;
        case 5: return 14;
        case 99: return 19;
        default: return 99;
    }
}

std::uint8_t AttrLevelNumber(std::int32_t code) {
    switch (code) {
        case 308: case 906: return 21;
        case 302: case 901: return 22;
        case 303: case 902: return 23;
        case 907: return 24;
        case 903: return 25;
        case 904: return 26;
        case 905: return 27;
        case 1: case 301: return 31;
        case 2: case 102: return 32;
        case 304: return 33;
        case 305: return 34;
        case 306: return 35;
        case 307: return 36;
        case 909: return 37;
        case 10: return 41;
        case 11: return 42;
        case 12: return 43;
        case 13: return 44;
        case 14: return 45;
        case 15: return 46;
        case 16: return 47;
        case 17: return 48;
        case 18: return 49;
        case 19: return 50;
        case 20: return 51;
        case 21: return 52;
        case 22: return 53;
        case 202: return 56;
        case 203: return 57;
        case 501: case 502: return 61;
        case 510: return 62;
        case 520: return 63;
        case 530: return 64;
        case 908: return 96;
        case 99: return 97;
        case 399: case 999: return 98;
        default: return 99;
    }
}

}  // namespace

std::uint8_t WarningNumber(int level, std::int32_t code) noexcept {
    switch (level) {
        case kFileLevel: return FileLevelNumber(code);
        case kTagLevel: return TagLevelNumber(code);
        case kAttrLevel: return AttrLevelNumber(code);
        default: return 99;
    }
}

}  // namespace HtmlLink
