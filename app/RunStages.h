#pragma once
// The stages of a check run, each written once: the check run drives them with its yields,
// cancellation and messages, and the tests' site builder and the benchmarks call the same ones,
// so that what they exercise is the order of the checks the user gets.
#include <array>
#include <cstdint>
#include <memory>
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

// The local links of a run's files, verified grouped by their targets rather than page by page.
// A big site's pages link to one page from all over: page by page, what was learnt about a
// target is out of the processor's cache and out of the verification's memory long before the
// next link to it, and is looked up again. Grouped, the links to one target follow one another.
// The results do not depend on the order.
class TargetOrder {
public:
    // The local links of a file that scanned, as Add takes them; false when a link cannot be
    // held here. Any thread may gather, while the file's tags are fresh in its cache.
    static bool Gather(HtmlLink::FileEntry& file, std::vector<std::uint64_t>& links) noexcept;
    // Adds links gathered from a file whose tags stay where they are until the links are
    // verified or cleared.
    void Add(const std::vector<std::uint64_t>& links);
    // Moves the links added into kGroups groups by the paths they lead to, each path in one
    // group with a few others. False when there is no memory for them; the links are then
    // cleared.
    bool Arrange() noexcept;
    // The groups once arranged, else 0.
    std::size_t Groups() const noexcept { return links_ ? kGroups : 0; }
    // Verifies the links of group g, those to one target one after the other. As
    // VerifyFileLinks, true when the verification of some link failed inside, and a stop leaves
    // the rest unverified.
    bool VerifyGroup(HtmlLink::RunContext& run, std::size_t g);
    void Clear() noexcept;
    std::size_t size() const noexcept { return count_; }

private:
    // A link is its attribute's address (a multiple of eight below 2^48, as user addresses are
    // on this machine), with its page's encoding and its group in the bits above; a big site
    // has millions.
    using Link = std::uint64_t;
    static constexpr int kAddressBits = 45;
    static constexpr int kGroupBits = 11;
    static constexpr std::size_t kGroups = std::size_t{1} << kGroupBits;
    // Links are added in pieces of this many, so that the list never moves while it grows.
    static constexpr std::size_t kPiece = std::size_t{1} << 16;
    static HtmlLink::AttrEntry* AttrOf(Link link) {
        return reinterpret_cast<HtmlLink::AttrEntry*>((link & ((Link{1} << kAddressBits) - 1))
                                                      << 3);
    }
    static std::uint8_t EncodingOf(Link link) {
        return static_cast<std::uint8_t>(link >> kAddressBits);
    }
    static std::size_t GroupOf(Link link) { return link >> (64 - kGroupBits); }

    std::vector<std::unique_ptr<Link[]>> pieces_;
    std::size_t count_ = 0;
    std::array<std::size_t, kGroups> group_sizes_{};
    std::unique_ptr<Link[]> links_;  // arranged: group g from starts_[g] to starts_[g + 1]
    std::array<std::size_t, kGroups + 1> starts_{};
};

}  // namespace app
