#pragma once
// What the checks of one run share: the check set and settings in force, the file table and
// the sorted path list. Passed explicitly so that every check can be tested on its own.
#include <cstdint>
#include <vector>

#include "engine/HtmlLink.h"
#include "lib/PathList.h"
#include "lib/VornFileList.h"
#include "settings/Settings.h"

namespace HtmlLink {

class VerifyCache;  // verify/VerifyLink.h

// Links counted to files and anchors apart from the file table, so that several threads can
// verify at once; added to the table afterwards (AddLinkCounts), each in the same order. Flat,
// so that adding them up is one pass and freeing them two calls.
struct LinkCounts {
    std::vector<std::int32_t> Files;  // by file index
    // By file index, where the file's anchors begin in Anchors, and one more for the end;
    // filled from the file table with the first anchor counted.
    std::vector<std::uint32_t> AnchorStart;
    std::vector<std::int32_t> Anchors;  // by AnchorStart of the file plus anchor position
};

struct RunContext {
    const CheckSet* Set = nullptr;
    const Settings* Options = nullptr;
    FileTable* Files = nullptr;
    PathList::PathEntries* Paths = nullptr;
    bool LocalCheck = true;    // the "ローカル リンク" box when the log is written
    bool RemoteCheck = false;  // the "リモート リンク" box
    // Date and time for the log header ('12-07-2026 09:05:00'); empty takes the system clock.
    std::u16string LogDateTime;
    // The run was stopped before its end: the log's closing says so instead of "no warnings".
    bool Interrupted = false;
    // Directories the search could not list; null or empty when there were none.
    const VornFileList::UnsearchedList* Unsearched = nullptr;
    // Remembers path kinds and anchor positions during verification; null asks afresh each time.
    VerifyCache* Cache = nullptr;
    // Where verification counts the links it finds; null counts them in the file table.
    LinkCounts* Counts = nullptr;
};

}  // namespace HtmlLink
