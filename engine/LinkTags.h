#pragma once
// The fixed table of tags that can carry links or anchor names, built once at start-up and
// read-only afterwards.
#include <cstdint>
#include <string>
#include <vector>

namespace HtmlLink {

struct LinkAttrDef {
    std::u16string Name;    // lower case
    bool Required = false;  // must be present whenever the tag is written
};

struct LinkTagDef {
    std::u16string Name;  // lower case
    std::vector<LinkAttrDef> Attrs;
};

inline std::vector<LinkTagDef> LinkTags;          // 22 rows, ascending by name
inline std::vector<std::u16string> LinkTagNames;  // LinkTags[k].Name
inline std::u16string LinkTagPattern;             // '<[ABEFILMOSTabefilmost]'

// Fills the three values. Safe to call more than once; on failure they stay as they were.
void BuildLinkTagTable() noexcept;

// The distinct initials of the names, upper case then lower case; empty when a name begins
// with a character of code 128 or above, or a name is empty.
std::u16string CollectInitials(const std::vector<std::u16string>& names);

}  // namespace HtmlLink
