#pragma once
// The per-file scan: reads, decodes and cuts one file and keeps its link-bearing tags.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/HtmlLink.h"
#include "lib/VornFileList.h"

namespace HtmlLink {

// Fills the entry (Path set by the caller, a file the search listed) and returns its new
// Status: 0, 1, 2, 3 or 99.
// BuildLinkTagTable must have run. `modern` reads the page as today's sites are written: UTF-8
// and META charset, and a page with invalid bytes still scanned, with a file-level warning.
std::uint8_t ScanFile(FileEntry& entry, const std::vector<std::u16string>& html_like_patterns,
                      bool modern = false);

// True when the file name (after the last '\' or '/') matches one of the match patterns.
bool IsHtmlFile(std::u16string_view path, const std::vector<std::u16string>& patterns);

// Part of this module by design, but the settings file needs it too and sits below the engine.
using VornFileList::ToLikePatterns;

}  // namespace HtmlLink
