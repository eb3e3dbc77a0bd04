#pragma once
// A small site on the in-memory file system and the stages of a run over it (app/RunStages.h),
// without the window, the log or cancellation: search, sort, scan, tag checks, anchor checks,
// verification of every resolved local link and the unlinked check.
#include <string>
#include <string_view>

#include "engine/HtmlLink.h"
#include "lib/PathList.h"
#include "platform/MemoryFileSystem.h"
#include "settings/Settings.h"
#include "verify/RunContext.h"
#include "verify/VerifyLink.h"

namespace testutil {

class SiteBuilder {
public:
    // A check set for 'C:\site\' with default document index.html and HTML files '*.htm*'.
    SiteBuilder();

    // Paths are below 'C:\site\' unless they begin with a drive; pages are ASCII or UTF-8
    // text, stored in code page 932.
    void Page(std::u16string_view path, std::u16string_view html);
    void File(std::u16string_view path, std::string_view bytes = "");
    void Directory(std::u16string_view path);

    // Search, sort, scan, tag checks and anchor checks.
    void Scan();
    // Verification of every resolved local link, then the unlinked check. `use_cache` gives the
    // run a VerifyCache as the check run does.
    void Verify(bool use_cache = true);
    void Run(bool use_cache = true) {
        Scan();
        Verify(use_cache);
    }

    // The file entry of a path (as for Page); fails the test when there is none.
    HtmlLink::FileEntry& FileOf(std::u16string_view path);
    // The n-th attribute (from 0) in the file whose value, without quotes, is `value`.
    HtmlLink::AttrEntry& Attr(std::u16string_view path, std::u16string_view value, int n = 0);
    // The anchor entry of that attribute.
    HtmlLink::AnchorEntry& AnchorOf(std::u16string_view path, std::u16string_view value, int n = 0);

    platform::MemoryFileSystem Fs;
    CheckSet Set;
    Settings Options;
    HtmlLink::FileTable Files;
    PathList::PathEntries Paths;

private:
    std::u16string Full(std::u16string_view path) const;
};

// The texts of a warning list, in order.
std::vector<std::u16string> Texts(const HtmlLink::WarningList& list);
// The codes of a warning list, in order.
std::vector<std::int32_t> Codes(const HtmlLink::WarningList& list);

}  // namespace testutil
