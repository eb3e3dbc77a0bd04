#include "engine/LinkTags.h"
#include "platform/Chars.h"

#include <array>
#include <string_view>

namespace HtmlLink {

namespace {

struct AttrRow {
    std::u16string_view name;
    bool required;
};

struct TagRow {
    std::u16string_view name;
    std::initializer_list<AttrRow> attrs;
};

// Ascending by name under exact comparison: the scan finds tags by binary search.
const TagRow kRows[] = {
    {u"a", {{u"href", false}, {u"name", false}}},
    {u"applet", {{u"code", true}}},
    {u"area", {{u"href", true}}},
    {u"base", {{u"href", false}}},
    {u"bgsound", {{u"src", true}}},
    {u"body", {{u"background", false}}},
    {u"embed", {{u"src", true}}},
    {u"form", {{u"action", false}}},
    {u"frame", {{u"src", true}}},
    {u"iframe", {{u"src", true}}},
    {u"ilayer", {{u"src", false}}},
    {u"img", {{u"src", true}, {u"lowsrc", false}}},
    {u"layer", {{u"src", false}}},
    {u"link", {{u"href", false}, {u"src", false}, {u"rev", false}}},
    {u"meta", {{u"content", true}}},
    {u"object", {{u"data", true}}},
    {u"script", {{u"src", false}}},
    {u"style", {{u"src", false}}},
    {u"table", {{u"background", false}}},
    {u"td", {{u"background", false}}},
    {u"th", {{u"background", false}}},
    {u"tr", {{u"background", false}}},
};

}  // namespace

void BuildLinkTagTable() noexcept try {
    std::vector<LinkTagDef> tags;
    tags.reserve(std::size(kRows));
    for (const TagRow& row : kRows) {
        LinkTagDef def;
        def.Name = row.name;
        def.Attrs.reserve(row.attrs.size());
        for (const AttrRow& attr : row.attrs) {
            def.Attrs.push_back(LinkAttrDef{std::u16string(attr.name), attr.required});
        }
        tags.push_back(std::move(def));
    }
    std::vector<std::u16string> names;
    names.reserve(tags.size());
    for (const LinkTagDef& def : tags) names.push_back(def.Name);

    std::u16string pattern = u"<[" + CollectInitials(names) + u"]";
    LinkTags = std::move(tags);
    LinkTagNames = std::move(names);
    LinkTagPattern = std::move(pattern);
} catch (...) {
    // Out of memory at start-up: the previous table, if any, stays as it was.
}

std::u16string CollectInitials(const std::vector<std::u16string>& names) try {
    std::array<bool, 128> seen{};
    for (const std::u16string& name : names) {
        // A name without a first character has no initial to give; like a non-ASCII initial
        // it would make a pattern that misses tags, so the whole result is refused.
        if (name.empty()) return {};
        const char16_t c = AsciiLower(name.front());
        if (c >= 128) return {};
        seen[c] = true;
    }
    std::u16string lower;
    for (char16_t c = u'a'; c <= u'z'; ++c) {
        if (seen[c]) lower.push_back(c);
    }
    std::u16string result;
    result.reserve(lower.size() * 2);
    for (char16_t c : lower) result.push_back(static_cast<char16_t>(c - u'a' + u'A'));
    result += lower;
    return result;
} catch (...) {
    return {};
}

}  // namespace HtmlLink
