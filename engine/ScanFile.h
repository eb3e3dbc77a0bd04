#pragma once
// The per-file scan: reads, decodes and cuts one file and keeps its link-bearing tags.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/HtmlLink.h"

namespace HtmlLink {

// Fills the entry (Path set by the caller) and returns its new Status: 0, 1, 2, 3 or 99.
// BuildLinkTagTable must have run.
std::uint8_t ScanFile(FileEntry& entry, const std::vector<std::u16string>& html_like_patterns);

// True when the file name (after the last '\' or '/') matches one of the match patterns.
bool IsHtmlFile(std::u16string_view path, const std::vector<std::u16string>& patterns);

// Each stored wildcard made into a match pattern (MakeMatchPattern). 0 done, 1 failure.
std::uint8_t ToLikePatterns(std::vector<std::u16string>& output,
                            const std::vector<std::u16string>& wildcards);

}  // namespace HtmlLink
