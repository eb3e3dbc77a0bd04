#pragma once
// Tag-level checks of one scanned file: the base context from its BASE tag, misplaced and
// repeated BASE tags, required and repeated attributes, the anchor index, and link resolution.
// The check set comes as an argument; the only shared data read is the tag table LinkTags.
#include <cstdint>
#include <string_view>

#include "engine/HtmlLink.h"
#include "settings/Settings.h"

namespace HtmlLink {

// Returns the file's Status after the pass: 0, or 99 after a failure (with the file-level
// warning 99; what was written before stays). `base_url_head` is the head of the check set's
// Url, empty without one.
std::uint8_t CheckFileTags(FileEntry& file, std::u16string_view base_url_head,
                           const CheckSet& set) noexcept;

// Required and repeated attributes (tag warnings 2 and 1, added to Code), rev="made" of LINK
// tags (sets RevMade and removes the attribute). True on failure.
bool CheckTagAttributes(TagEntry& tag) noexcept;

}  // namespace HtmlLink
