#pragma once
// The stages of a check run, each written once: the check run drives them with its yields,
// cancellation and messages, and the tests' site builder and the benchmarks call the same ones,
// so that what they exercise is the order of the checks the user gets.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/HtmlLink.h"
#include "lib/PathList.h"
#include "lib/StringList.h"
#include "lib/VornFileList.h"
#include "settings/Settings.h"
#include "verify/RunContext.h"

namespace app {

// The scheme and host of the check set's Url ('http://www.example.jp'); empty without a Url.
std::u16string BaseUrlHead(const CheckSet& set);

// The ignore list of a search: the stored wildcards as match patterns when `enabled` is 1,
// else (and when they cannot be converted) one empty string, which ignores nothing.
StringList IgnorePatterns(std::uint8_t enabled, const StringList& patterns);

enum class SearchResult : std::uint8_t { Found, NoFiles, SortFailed };

// Lists the check set's candidate files and fills the path list sorted, each path with its
// index in `found`. `find_result` gets the file search's own result: the number of files, or
// -1 failure, -2 base directory missing, -3 directory walk failed. Directories that could not
// be listed go to `unsearched` when given; `sizes`, when given, gets the files' sizes from the
// listing, parallel to `found`.
SearchResult SearchFiles(const CheckSet& set, StringList& found, PathList::PathEntries& paths,
                         std::int32_t& find_result,
                         VornFileList::UnsearchedList* unsearched = nullptr,
                         std::vector<std::int64_t>* sizes = nullptr);

// The work of one file in the scan stage: Path set, scanned, and when it scanned, its tags
// checked, its links resolved and its anchor names checked.
void ScanAndCheck(HtmlLink::FileEntry& entry, const std::u16string& path, const CheckSet& set,
                  const std::u16string& base_url_head);

// Verifies every local link of file `file_index` when it scanned. True when the verification of
// some link failed inside (that link then carries its warning); the others are still verified,
// unless a stop is requested (HtmlLink::StopRequested): the rest then stay unverified.
bool VerifyFileLinks(HtmlLink::RunContext& run, std::size_t file_index);

}  // namespace app
