#include "verify/Anchors.h"

#include <algorithm>

#include "engine/VornHtml.h"
#include "lib/Convert.h"
#include "lib/VornFileList.h"
#include "lib/VornText.h"
#include "engine/Warnings.h"

namespace HtmlLink {
namespace {

constexpr std::int32_t kAnchorInvalidStep = 10;

AttrEntry* AnchorAttr(FileEntry& file, const AnchorEntry& anchor) {
    if (anchor.TagIndex < 0 || static_cast<std::size_t>(anchor.TagIndex) >= file.Tags.size())
        return nullptr;
    TagEntry& tag = file.Tags[static_cast<std::size_t>(anchor.TagIndex)];
    if (anchor.AttrIndex < 0 || static_cast<std::size_t>(anchor.AttrIndex) >= tag.Attrs.size())
        return nullptr;
    return &tag.Attrs[static_cast<std::size_t>(anchor.AttrIndex)];
}

bool IsStrictAnchorName(std::u16string_view name) {
    return VornText::Like(name, u"[A-Za-z]*") && !VornText::Like(name, u"*[!-.0-9;A-Z_a-z]*");
}

std::u16string DefinedAt(std::int32_t line) {
    return std::u16string(msg::kAnchorDefinedAt1) + ToDecimal(line) +
           std::u16string(msg::kAnchorDefinedAt2);
}

}  // namespace

bool CheckAnchorDefinitions(FileEntry& file, const CheckSet& set) try {
    const std::size_t n = UsedCount(file.Anchors);
    std::vector<AttrEntry*> attrs(n);
    std::vector<std::u16string_view> names(n);
    for (std::size_t i = 0; i < n; ++i) {
        attrs[i] = AnchorAttr(file, file.Anchors[i]);
        if (!attrs[i]) return true;
        names[i] = VornHtml::Unquote(attrs[i]->Value);
    }

    // Names equal once folded form a group. Within a group every later name is reported once,
    // against the first of the group; a name is a duplicate (2) when another one of its group is
    // spelled exactly alike, otherwise it differs in letter case only (1). Sorting finds the
    // groups without comparing every pair, which a page with thousands of ids would not bear.
    std::vector<std::u16string> folded(n);
    std::vector<std::size_t> order;
    order.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (names[i].empty()) continue;
        folded[i] = VornFileList::FoldCase(names[i]);
        order.push_back(i);
    }
    std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        if (folded[x] != folded[y]) return folded[x] < folded[y];
        if (names[x] != names[y]) return names[x] < names[y];
        return x < y;
    });
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> first_of(n, kNone);
    std::vector<std::uint8_t> duplicate(n, 0);
    for (std::size_t g = 0; g < order.size();) {
        std::size_t g_end = g + 1;
        while (g_end < order.size() && folded[order[g_end]] == folded[order[g]]) ++g_end;
        const std::size_t first =
            *std::min_element(order.begin() + static_cast<std::ptrdiff_t>(g),
                              order.begin() + static_cast<std::ptrdiff_t>(g_end));
        for (std::size_t r = g; r < g_end;) {
            std::size_t r_end = r + 1;
            while (r_end < g_end && names[order[r_end]] == names[order[r]]) ++r_end;
            const std::uint8_t d = r_end - r > 1 ? 2 : (g_end - g > 1 ? 1 : 0);
            for (std::size_t k = r; k < r_end; ++k) {
                duplicate[order[k]] = d;
                first_of[order[k]] = first;
            }
            r = r_end;
        }
        g = g_end;
    }

    const bool strict = set.StrictAnchorDescription != 0;
    for (std::size_t i = 0; i < n; ++i) {
        AttrEntry& attr = *attrs[i];
        if (names[i].empty()) {
            attr.Code = kAnchorEmpty;
            AddWarning(attr.Warnings, kAnchorEmpty, msg::kAnchorEmpty);
            continue;
        }
        AnchorEntry& anchor = file.Anchors[i];
        anchor.Duplicate = std::max(anchor.Duplicate, duplicate[i]);
        const std::size_t first = first_of[i];
        if (first != i) {
            AddWarning(attr.Warnings,
                       names[i] == names[first] ? kAnchorDefinedExact : kAnchorDefinedFolded,
                       DefinedAt(attrs[first]->ValueLine));
        }
        std::int32_t v = anchor.Duplicate;
        if (strict && !IsStrictAnchorName(names[i])) {
            v += kAnchorInvalidStep;
            AddWarning(attr.Warnings, kAnchorInvalid, msg::kAnchorInvalidChars);
        }
        attr.Code += v;
    }
    return false;
} catch (...) {
    return true;
}

namespace {

// The file a visitor reaches from outside: the first default document of the base directory.
std::int32_t EntryPage(const RunContext& run) {
    const CheckSet& set = *run.Set;
    if (!run.Paths || run.Paths->empty() || set.LocalPath.empty()) return -1;
    std::u16string dir = set.LocalPath;
    if (dir.back() != u'\\') dir += u'\\';
    for (const std::u16string& document : set.DefaultDocument) {
        if (document.empty()) break;
        const std::int32_t at = PathList::FindPath(*run.Paths, dir + document, 0,
                                                   static_cast<std::int32_t>(run.Paths->size()) - 1);
        if (at >= 0) return (*run.Paths)[static_cast<std::size_t>(at)].FileIndex;
    }
    return -1;
}

}  // namespace

bool ReportUnlinked(RunContext& run) try {
    if (!run.Set || !run.Files) return true;
    const CheckSet& set = *run.Set;
    const std::int32_t entry_page = set.ModernHtml == 1 ? EntryPage(run) : -1;
    std::int32_t index = -1;
    for (FileEntry& file : *run.Files) {
        if (!InUse(file)) break;
        ++index;
        if (set.AlertIgnoredFile != 0 && file.LinkCount == 0 && index != entry_page)
            AddWarning(file.Warnings, kFileUnlinked, msg::kFileUnlinked);
        for (const AnchorEntry& anchor : file.Anchors) {
            if (!InUse(anchor)) break;
            if (anchor.LinkCount != 0) continue;
            AttrEntry* attr = AnchorAttr(file, anchor);
            if (!attr) return true;
            if (VornHtml::Unquote(attr->Value).empty()) continue;
            const bool name_anchor = VornText::Like(attr->Name, u"[Nn][Aa][Mm][Ee]");
            const bool id_anchor = VornText::Like(attr->Name, u"[Ii][Dd]");
            if ((name_anchor && set.AlertIgnoredNameAnchor != 0) ||
                (id_anchor && set.AlertIgnoredIdAnchor != 0))
                AddWarning(attr->Warnings, kAnchorUnlinked, msg::kAnchorUnlinked);
        }
    }
    return false;
} catch (...) {
    return true;
}

}  // namespace HtmlLink
