#pragma once
// Link target verification: existence, letter case, default documents and target anchors.
#include <cstdint>
#include <string_view>
#include <vector>

#include "verify/RunContext.h"

namespace HtmlLink {

// Verifies one resolved local link (Code below 10). True after an internal failure (Code 99).
bool VerifyLink(RunContext& run, AttrEntry& attr, std::int32_t file_index);

// Looks the anchor up in file `file_index`. True on failure.
bool LookupAnchor(RunContext& run, std::int32_t file_index, std::u16string_view anchor,
                  AttrEntry& attr);

// Trims, removes case-folded duplicates and gaps; the entries left (0 when none), -1 on failure.
std::int32_t NormalizeList(std::vector<std::u16string>& list);

}  // namespace HtmlLink
