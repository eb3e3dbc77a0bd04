#include "verify/TagChecks.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/LinkTags.h"
#include "engine/VornHtml.h"
#include "lib/Convert.h"
#include "lib/VornFileList.h"
#include "lib/VornText.h"
#include "platform/Chars.h"
#include "verify/Resolve.h"
#include "engine/Warnings.h"

namespace HtmlLink {
namespace {

// Tag and attribute names, matched in any ASCII letter case.
constexpr std::u16string_view kBase = u"base";
constexpr std::u16string_view kA = u"a";
constexpr std::u16string_view kBody = u"body";
constexpr std::u16string_view kLink = u"link";
constexpr std::u16string_view kName = u"name";
constexpr std::u16string_view kId = u"id";
constexpr std::u16string_view kHref = u"href";
constexpr std::u16string_view kSrc = u"src";
constexpr std::u16string_view kRev = u"rev";
constexpr std::u16string_view kStyle = u"style";
constexpr std::u16string_view kSrcset = u"srcset";
constexpr std::u16string_view kImageSrcset = u"imagesrcset";


constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool AnyNameIs(const std::vector<std::u16string_view>& names, std::u16string_view a,
               std::u16string_view b, std::u16string_view c = {}) {
    for (const std::u16string_view n : names) {
        if (n.empty()) continue;
        if (IsAsciiWord(n, a) || IsAsciiWord(n, b) || (!c.empty() && IsAsciiWord(n, c))) return true;
    }
    return false;
}

// Names under which the scan keeps several entries of one attribute: the candidates of a
// srcset and the url()s of a style. Tested for every attribute, so by length first.
bool IsListName(std::u16string_view name) {
    switch (name.size()) {
        case 5:
            return IsAsciiWord(name, kStyle);
        case 6:
            return IsAsciiWord(name, kSrcset);
        case 11:
            return IsAsciiWord(name, kImageSrcset);
        default:
            return false;
    }
}

bool IsAnchorName(std::u16string_view name) {
    return IsAsciiWord(name, kName) || IsAsciiWord(name, kId);
}

// The scan keeps an id on a BASE tag too, so the href is not always the first attribute.
std::size_t FindHref(const TagEntry& tag) {
    for (std::size_t j = 0; j < tag.Attrs.size(); ++j) {
        if (IsAsciiWord(tag.Attrs[j].Name, kHref)) return j;
    }
    return kNone;
}

void FailFile(FileEntry& file) noexcept {
    file.Status = ScanUnknownError;
    AddWarning(file.Warnings, ScanUnknownError, msg::kScanUnknown);
}

// The base of the file from its first BASE tag (`base_index`, kNone without one). Sets
// `href_index` to the attribute that CheckBaseHref judged, kNone when none was.
BaseContext BaseFromTag(FileEntry& file, std::size_t base_index, const CheckSet& set,
                        std::size_t& href_index, bool& base_tag_used) {
    BaseContext base;
    href_index = kNone;
    base_tag_used = false;
    if (base_index == kNone) {
        base.BasePath = file.Path;
        base.BaseKind = 1;
        return base;
    }
    TagEntry& tag = file.Tags[base_index];
    if (tag.Code > 0) return base;  // a defective BASE tag leaves no usable base
    const std::size_t href = FindHref(tag);
    if (href == kNone) {
        base.BasePath = file.Path;
        base.BaseKind = 1;
        return base;
    }
    href_index = href;
    const std::int32_t c = CheckBaseHref(tag, static_cast<std::int32_t>(href), set);
    if (c == kBaseUsable || c == kBaseLocalFullPath) {
        base.BasePath = tag.Attrs[href].Target;
        base.BaseKind = IsLocalFullPath(base.BasePath) ? 1 : 2;
        base_tag_used = true;
    }
    return base;
}

std::u16string BaseAgainMessage(const TagEntry& tag, std::int32_t first_line) {
    return u"<" + tag.Name + std::u16string(msg::kBaseAgainHead) + ToDecimal(first_line) +
           std::u16string(msg::kBaseAgainTail);
}

std::u16string BaseOutsideHeadMessage(const TagEntry& tag) {
    return u"<" + tag.Name + std::u16string(msg::kBaseOutsideHead1) +
           std::u16string(msg::kBaseOutsideHead2);
}

}  // namespace

bool CheckTagAttributes(TagEntry& tag) noexcept try {
    // Views of the names: the entries stay in place until the rev="made" sweep at the end. The
    // list is the thread's, as this runs for every kept tag.
    thread_local std::vector<std::u16string_view> names;
    names.clear();
    for (const AttrEntry& a : tag.Attrs) names.push_back(a.Name);

    const bool is_link = IsAsciiWord(tag.Name, kLink);
    if (IsAsciiWord(tag.Name, kA)) {
        if (!AnyNameIs(names, kName, kHref, kId)) {
            AddWarning(tag.Warnings, kTagAttrMissing, msg::kANoAttrs);
            tag.Code += kTagAttrMissing;
        }
    } else if (is_link) {
        // A preload link may name its images by imagesrcset alone.
        if (!AnyNameIs(names, kSrc, kHref, kImageSrcset)) {
            AddWarning(tag.Warnings, kTagAttrMissing, msg::kLinkNoAttrs);
            tag.Code += kTagAttrMissing;
        }
    } else if (tag.DefIndex >= 0) {
        if (static_cast<std::size_t>(tag.DefIndex) >= LinkTags.size()) return true;
        std::u16string missing;
        for (const LinkAttrDef& def : LinkTags[static_cast<std::size_t>(tag.DefIndex)].Attrs) {
            if (!def.Required) continue;
            bool found = false;
            for (const std::u16string_view n : names) {
                if (VornFileList::SameFileName(n, def.Name)) {
                    found = true;
                    break;
                }
            }
            if (!found) missing += u", " + def.Name;
        }
        if (!missing.empty()) {
            AddWarning(tag.Warnings, kTagAttrMissing,
                       missing.substr(2) + std::u16string(msg::kMissingAttrsTail));
            tag.Code += kTagAttrMissing;
        }
    }

    // Names equal under file-name folding form one group, reported once, at its first member,
    // in the order of first members. The few attributes of a usual tag are compared pairwise,
    // without allocating; many are counted in a map, which keeps this linear.
    auto grouped = [&](std::size_t j) { return !names[j].empty() && !IsListName(names[j]); };
    std::u16string duplicated;
    constexpr std::size_t kPairwise = 16;
    if (names.size() <= kPairwise) {
        for (std::size_t j = 0; j < names.size(); ++j) {
            if (!grouped(j)) continue;
            bool first = true, twin = false;
            for (std::size_t i = 0; i < names.size() && first; ++i) {
                if (i == j || !grouped(i) || !VornFileList::SameFileName(names[i], names[j]))
                    continue;
                if (i < j) first = false;
                twin = true;
            }
            if (first && twin) {
                duplicated += u", ";
                duplicated += names[j];
            }
        }
    } else {
        std::vector<std::u16string> folded(names.size());
        std::unordered_map<std::u16string, std::size_t> group_size;
        for (std::size_t j = 0; j < names.size(); ++j) {
            // The scan gives each candidate of a srcset, and each url() of a style, an entry of
            // its own under the one name.
            if (!grouped(j)) continue;
            folded[j] = VornFileList::FoldCase(names[j]);
            ++group_size[folded[j]];
        }
        std::unordered_set<std::u16string> reported;
        for (std::size_t j = 0; j < names.size(); ++j) {
            if (folded[j].empty() || group_size[folded[j]] < 2) continue;
            if (reported.insert(folded[j]).second) {
                duplicated += u", ";
                duplicated += names[j];
            }
        }
    }
    if (!duplicated.empty()) {
        AddWarning(tag.Warnings, kTagAttrDuplicated,
                   duplicated.substr(2) + std::u16string(msg::kDuplicatedAttrsTail));
        tag.Code += kTagAttrDuplicated;
    }

    if (is_link) {
        std::size_t kept = 0;
        for (std::size_t r = 0; r < tag.Attrs.size(); ++r) {
            AttrEntry& a = tag.Attrs[r];
            if (IsAsciiWord(a.Name, kRev) &&
                IsAsciiWord(VornHtml::Unquote(a.Value), u"made")) {
                tag.RevMade = true;
                continue;
            }
            if (kept != r) tag.Attrs[kept] = std::move(a);
            ++kept;
        }
        tag.Attrs.resize(kept);
    }
    return false;
} catch (...) {
    return true;
}

namespace {
// The targets of the file in hand, stored together when its links are resolved.
thread_local PendingTargets later;
}  // namespace

std::uint8_t CheckFileTags(FileEntry& file, std::u16string_view base_url_head,
                           const CheckSet& set) noexcept try {
    const std::size_t tag_count = UsedCount(file.Tags);

    // The base is the first BASE tag that comes before the first A or BODY tag.
    std::size_t base_index = kNone;
    std::int32_t base_line = 0;
    for (std::size_t k = 0; k < tag_count; ++k) {
        const std::u16string_view name = file.Tags[k].Name;
        if (IsAsciiWord(name, kBase)) {
            base_index = k;
            break;
        }
        if (IsAsciiWord(name, kA) || IsAsciiWord(name, kBody)) break;
    }
    if (base_index != kNone) {
        base_line = file.Tags[base_index].Line;
        if (CheckTagAttributes(file.Tags[base_index])) {
            FailFile(file);
            return static_cast<std::uint8_t>(file.Status);
        }
    }
    std::size_t href_index = kNone;
    bool base_tag_used = false;
    BaseContext base = BaseFromTag(file, base_index, set, href_index, base_tag_used);
    CompleteBaseContext(base, base_tag_used, base_url_head, set);

    std::int32_t base_count = 0;
    std::int32_t first_base_line = 0;
    std::size_t calls = 0;
    later.Clear();
    for (std::size_t k = 0; k < tag_count; ++k) {
        if (Stopping(calls)) {
            later.Clear();
            file.Tags = {};
            file.Anchors = {};
            return static_cast<std::uint8_t>(file.Status);
        }
        TagEntry& tag = file.Tags[k];
        if (IsAsciiWord(tag.Name, kBase)) {
            ++base_count;
            if (base_count == 1) {
                first_base_line = tag.Line;
                if (base_line == 0) {
                    tag.Code = kTagBaseOutsideHead;
                    AddWarning(tag.Warnings, kTagBaseOutsideHead, BaseOutsideHeadMessage(tag));
                }
            } else {
                tag.Code = kTagBaseAgain;
                AddWarning(tag.Warnings, kTagBaseAgain, BaseAgainMessage(tag, first_base_line));
            }
            // Only the judged href of the BASE in force has a code of its own; the rest of a
            // BASE tag is no link and must not reach verification with an empty target.
            for (std::size_t j = 0; j < UsedCount(tag.Attrs); ++j) {
                if (k == base_index && j == href_index) continue;
                tag.Attrs[j].Code = kBaseUsable;
            }
            continue;
        }
        if (CheckTagAttributes(tag)) {
            tag.Code = kTagCheckFailed;
            AddWarning(tag.Warnings, kTagCheckFailed, msg::kAttrCheckFailed);
            continue;
        }
        const bool is_link = IsAsciiWord(tag.Name, kLink);
        for (std::size_t j = 0; j < tag.Attrs.size(); ++j) {
            AttrEntry& a = tag.Attrs[j];
            if (IsAnchorName(a.Name)) {
                AppendEntry(file.Anchors, AnchorEntry{static_cast<std::int32_t>(k),
                                                      static_cast<std::int32_t>(j), 0, 0});
                a.Code = kAnchorDefined;
            } else if (is_link && IsAsciiWord(a.Name, kRev)) {
                // A rev other than 'made' names a relation, not a target.
                a.Code = kBaseUsable;
            } else {
                ResolveLink(file, static_cast<std::int32_t>(k), static_cast<std::int32_t>(j), base,
                            set, &later);
            }
        }
    }
    later.Store();
    return static_cast<std::uint8_t>(file.Status);
} catch (...) {
    // The links resolved before the failure keep their targets, as far as they can be stored.
    try {
        later.Store();
    } catch (...) {
        later.Clear();
    }
    FailFile(file);
    return static_cast<std::uint8_t>(file.Status);
}

}  // namespace HtmlLink
