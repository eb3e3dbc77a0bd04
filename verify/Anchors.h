#pragma once
// Anchor definitions of one file, and the files and anchors that no link reaches.
#include "settings/Settings.h"
#include "verify/RunContext.h"

namespace HtmlLink {

// Empty, duplicated and (strict) malformed anchor names; fills Duplicate. True on failure.
bool CheckAnchorDefinitions(FileEntry& file, const CheckSet& set);

// Files and anchors with a LinkCount of 0, as far as the check set asks. True on failure.
bool ReportUnlinked(RunContext& run);

}  // namespace HtmlLink
