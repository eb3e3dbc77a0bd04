#include "engine/Warnings.h"

namespace HtmlLink {

namespace {

struct Numbered {
    std::int32_t code;
    std::uint8_t number;
};

constexpr Numbered kFileNumbers[] = {
    {kFileReadFailed, 1}, {kFileCutFailed, 2}, {kFileUnlinked, 3}, {kDirectoryUnreadable, 4},
    {kDirectoryTooLong, 5}, {kFileBadBytes, 8}, {kFileScanFailed, 9}};

constexpr Numbered kTagNumbers[] = {{kTagAttrDuplicated, 11}, {kTagAttrMissing, 12},
                                    {kTagBaseAgain, 13},      {kTagBaseOutsideHead, 14},
                                    {kTagCheckFailed, 19}};

constexpr Numbered kAttrNumbers[] = {
    {kBaseEmpty, 21},
    {kEmptyLink, 21},
    {kBaseBackslash, 22},
    {kBackslashLink, 22},
    {kBaseMixedSeparators, 23},
    {kMixedSeparatorsLink, 23},
    {kAboveRoot, 24},
    {kNoRoot, 25},
    {kBadBase, 26},
    {kMailNotAllowed, 27},
    {kLocalFullPathLink, 31},
    {kBaseLocalFullPath, 31},
    {kAboveBaseDirLink, 32},
    {kAboveUrlLink, 32},
    {kBaseRelative, 33},
    {kBaseNoSlash, 34},
    {kBaseNoScheme, 35},
    {kBaseBadScheme, 36},
    {kBadRefresh, 37},
    {kMistypedScheme, 38},
    {kTargetMissing, 41},
    {kDirectoryListing, 42},
    {kCaseMismatch, 43},
    {kTargetNotHtml, 44},
    {kTargetUnreadable, 45},
    {kTargetUnparsable, 46},
    {kAnchorOnBareDirectory, 47},
    {kTrailingSeparator, 48},
    {kAnchorMissing, 49},
    {kAnchorDuplicated, 50},
    {kTargetIgnored, 51},
    {kNoSeparatorBeforeHash, 52},
    {kOutsideWithAnchor, 53},
    {kInUnsearched, 54},
    {kMailtoNoAddress, 56},
    {kAddressNoMailto, 57},
    {kAnchorDefinedFolded, 61},
    {kAnchorDefinedExact, 61},
    {kAnchorInvalid, 62},
    {kAnchorEmpty, 63},
    {kAnchorUnlinked, 64},
    {kResolveFailed, 96},
    {kVerifyFailed, 97},
    {kBaseFailed, 98},
    {kResolveError, 98},
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
