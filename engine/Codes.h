#pragma once
// The catalogue of the engine's numbers: the code of every warning and of AttrEntry::Code, by
// level, and the kinds of reference. Records store codes as std::int32_t and the values are
// fixed, since the warning numbers of the log are looked up by them (Warnings.h). The same value
// means different things at different levels, hence the level in the file and tag names.
#include <cstdint>

namespace HtmlLink {

// File level (FileEntry::Warnings; the scan's failures are also its ScanStatus).
constexpr std::int32_t kFileReadFailed = 2;
constexpr std::int32_t kFileCutFailed = 3;
constexpr std::int32_t kFileUnlinked = 10;
// Bytes invalid in the page's encoding; the page was read with replacements.
constexpr std::int32_t kFileBadBytes = 11;
constexpr std::int32_t kFileScanFailed = 99;
// A directory the search could not list, printed by the log as a file of its own.
constexpr std::int32_t kDirectoryUnreadable = 20;
constexpr std::int32_t kDirectoryTooLong = 21;

// Tag level (TagEntry::Code and Warnings).
constexpr std::int32_t kTagAttrDuplicated = 1;
constexpr std::int32_t kTagAttrMissing = 2;
constexpr std::int32_t kTagBaseAgain = 4;
constexpr std::int32_t kTagBaseOutsideHead = 5;
constexpr std::int32_t kTagCheckFailed = 99;

// Attribute level (AttrEntry::Code and Warnings).
constexpr std::int32_t kAttrListEnd = -1;  // the free slot that ends an attribute list
// Below 10: a resolved local link that verification has still to look at.
constexpr std::int32_t kLocalLink = 0;
constexpr std::int32_t kLocalFullPathLink = 1;  // allowed only with AllowLocalFullPath
constexpr std::int32_t kAboveBaseDirLink = 2;
// 10 to 99: what verification found.
constexpr std::int32_t kTargetMissing = 10;
constexpr std::int32_t kDirectoryListing = 11;
constexpr std::int32_t kCaseMismatch = 12;
constexpr std::int32_t kTargetNotHtml = 13;
constexpr std::int32_t kTargetUnreadable = 14;
constexpr std::int32_t kTargetUnparsable = 15;
constexpr std::int32_t kAnchorOnBareDirectory = 16;
constexpr std::int32_t kTrailingSeparator = 17;
constexpr std::int32_t kAnchorMissing = 18;
constexpr std::int32_t kAnchorDuplicated = 19;
constexpr std::int32_t kTargetIgnored = 20;
constexpr std::int32_t kNoSeparatorBeforeHash = 21;
constexpr std::int32_t kOutsideWithAnchor = 22;
constexpr std::int32_t kInUnsearched = 23;  // below a directory the search could not list
constexpr std::int32_t kVerified = 90;         // no warning
constexpr std::int32_t kOutsideBaseDir = 91;   // no warning: the target lies outside the site
constexpr std::int32_t kVerifyFailed = 99;
// 100 to 109: remote links, never verified.
constexpr std::int32_t kRemoteLink = 100;
constexpr std::int32_t kAboveUrlLink = 102;
// Mail links.
constexpr std::int32_t kMailLink = 200;
constexpr std::int32_t kMailtoNoAddress = 202;
constexpr std::int32_t kAddressNoMailto = 203;
// The href of a BASE tag. 300 is also the code of an attribute that is no link although it sits
// on a link-bearing tag (a BASE href not in force, a LINK rev that is not 'made').
constexpr std::int32_t kBaseUsable = 300;
constexpr std::int32_t kBaseLocalFullPath = 301;  // still usable
constexpr std::int32_t kBaseBackslash = 302;
constexpr std::int32_t kBaseMixedSeparators = 303;
constexpr std::int32_t kBaseRelative = 304;
constexpr std::int32_t kBaseNoSlash = 305;
constexpr std::int32_t kBaseNoScheme = 306;
constexpr std::int32_t kBaseBadScheme = 307;
constexpr std::int32_t kBaseEmpty = 308;
constexpr std::int32_t kBaseFailed = 399;
constexpr std::int32_t kOtherScheme = 401;
// A scheme that looks like http or https mistyped ('htp:', 'http;//').
constexpr std::int32_t kMistypedScheme = 402;
// Anchor definitions: a name already defined (differing in letter case only, or identical),
// invalid characters, empty, and no link reaching it.
constexpr std::int32_t kAnchorDefined = 500;
constexpr std::int32_t kAnchorDefinedFolded = 501;
constexpr std::int32_t kAnchorDefinedExact = 502;
constexpr std::int32_t kAnchorInvalid = 510;
constexpr std::int32_t kAnchorEmpty = 520;
constexpr std::int32_t kAnchorUnlinked = 530;
// Resolution failures.
constexpr std::int32_t kBackslashLink = 901;
constexpr std::int32_t kMixedSeparatorsLink = 902;
constexpr std::int32_t kNoRoot = 903;
constexpr std::int32_t kBadBase = 904;
constexpr std::int32_t kMailNotAllowed = 905;
constexpr std::int32_t kEmptyLink = 906;
constexpr std::int32_t kAboveRoot = 907;
constexpr std::int32_t kResolveFailed = 908;
constexpr std::int32_t kBadRefresh = 909;
constexpr std::int32_t kNote = 990;  // a note of the log: printed without number, not counted
constexpr std::int32_t kResolveError = 999;

// A link that verification is to look at.
constexpr bool IsLocalLink(std::int32_t code) { return code < 10; }
// A local link, verified or not: its target is a path of this machine.
constexpr bool IsLocalTarget(std::int32_t code) { return code < 100; }
constexpr bool IsRemoteLink(std::int32_t code) { return code >= 100 && code <= 109; }
// A link of any kind (local, remote, mail), as opposed to a BASE href, another scheme, an
// anchor definition or a resolution failure.
constexpr bool IsLink(std::int32_t code) { return code < kBaseUsable; }

// What a reference is by its syntax (ClassifyReference).
enum ReferenceKind : std::uint8_t {
    kNotInterpretable = 0,
    kLocalFullPathRef = 1,  // '\\' and a letter, or a letter and ':'
    kFileUrlRef = 2,        // 'file:' with a local full path
    kUrlRef = 3,            // a scheme followed by exactly '//'
    kAbsolutePathRef = 4,   // '/' or '\' first
    kRelativeRef = 5,
    kSchemeOnlyRef = 6,     // a scheme without '//' ('mailto:')
    kEmptyRef = 7,
};

}  // namespace HtmlLink
