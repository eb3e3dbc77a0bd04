#pragma once
// Tag-level checks of one scanned file: the base context from its BASE tag, misplaced and
// repeated BASE tags, required and repeated attributes, the anchor index, and link resolution.
#include <cstdint>
#include <string_view>

#include "engine/HtmlLink.h"
#include "settings/Settings.h"

namespace HtmlLink {

// Returns the file's Status after the pass: 0, or 99 after a failure (with warning 99).
std::uint8_t CheckFileTags(FileEntry& file, std::u16string_view base_url_head, const CheckSet& set);

// Required and repeated attributes, rev="made" of LINK tags. True on failure.
bool CheckTagAttributes(TagEntry& tag);

}  // namespace HtmlLink
