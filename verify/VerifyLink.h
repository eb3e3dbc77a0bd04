#pragma once
// Link target verification: existence, letter case, default documents and target anchors.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lib/VornFilePath.h"
#include "verify/RunContext.h"

namespace HtmlLink {

// What verification learns once per run and asks for again and again: the kind of every
// target path, its position in the path list, and for each target file where its anchor names
// stand. Valid for one run only: it assumes that neither the site on disk, the path list nor
// the anchor lists change while it is in use. Answers that come from the run's path list and
// the anchor indexes are kept in a part that the caches of the run's other threads share.
class VerifyCache {
public:
    // `files`: the run's, to size what it remembers for the site.
    explicit VerifyCache(std::size_t files = 0);
    // A cache for another thread of the same run. It shares `first`'s index of the site, which
    // is built here when not yet, so call it before the other thread starts; afterwards both may
    // be used at once, each by its own thread.
    VerifyCache(VerifyCache& first, const RunContext& run);
    ~VerifyCache();
    VerifyCache(const VerifyCache&) = delete;
    VerifyCache& operator=(const VerifyCache&) = delete;

    // GetPathKind of exactly this text, asked the first time only. A found file or a directory
    // above one is answered from the run's path list (the search's result), and so is a name
    // missing from a directory of the site; the file system is asked about everything else.
    VornFilePath::PathKind PathKind(const RunContext& run, std::u16string_view path) noexcept;
    // The same, and for a found file spelt exactly so its FindPath position over the run's path
    // list in `position`, from the one lookup; -1 there when FindPath is still to be asked.
    VornFilePath::PathKind PathKind(const RunContext& run, std::u16string_view path,
                                    std::int32_t& position) noexcept;

    // FindPath of exactly this text over the whole list, searched the first time only.
    std::int32_t FindPath(const PathList::PathEntries& paths, std::u16string_view path) noexcept;

    // The positions in the file's Anchors whose name is exactly `anchor`, in list order, in
    // `positions`; false when the index of that file cannot be built (the caller then walks the
    // list itself). `modern` decodes the character references of the names.
    bool AnchorsNamed(const FileTable& files, std::int32_t file_index, std::u16string_view anchor,
                      bool modern, std::span<const std::int32_t>& positions) noexcept;

    // What verification learnt about one target text: the kind and list position its path has,
    // and the anchors its fragment names. Kept by the text's shared block, so that the many
    // links that share one text look it up once; the entry holds the block, so its address
    // cannot name another text while the entry lasts.
    // One cache line each.
    struct alignas(64) KnownTarget {
        static constexpr std::uint32_t kNone = UINT32_MAX;
        TableText target;
        // The target as the file reached writes it, when that differs; empty otherwise.
        TableText rewritten;
        const std::int32_t* named = nullptr;  // the anchors the fragment names
        std::uint32_t named_count = 0;
        std::uint32_t hash = kNone, query = kNone;  // of the first '#' and '?'
        std::int32_t position = -1;
        std::int32_t target_index = -1;  // the file reached
        std::uint32_t found_size = 0;    // the length of its path in the target
        VornFilePath::PathKind kind = VornFilePath::PathKind::None;
        bool has_split = false;
        bool has_kind = false;
        bool has_named = false;
        bool named_indexed = false;
        bool has_found = false;
        bool default_document = false;
        bool case_mismatch = false;
    };
    // The entry for `target`, emptied when it was another text's; null when the text has no
    // block of its own (a short one) or there is no room.
    KnownTarget* Remembered(const TableText& target) noexcept;
    // Starts fetching what Remembered reads for `target`, a few links ahead of asking; then,
    // once that has come, the file remembered as the target's and its count, or the texts of
    // the entry that the target will replace.
    void Prefetch(const TableText& target) const noexcept;
    void PrefetchFound(const RunContext& run, const TableText& target) const noexcept;

    struct Impl;
    struct Site;

private:
    std::unique_ptr<Impl> impl_;
};

// The name an anchor attribute defines: its value without quotes, with its character
// references decoded when `modern`.
std::u16string AnchorName(const AttrEntry& attr, bool modern);

// The hash of the verification's tables of paths and names.
std::uint64_t HashText(std::u16string_view s) noexcept;

// Verifies one resolved local link (Code below 10) and leaves it with a Code of 10 or more.
// True after an internal failure (Code 99 with its warning). The link's own file plays no part:
// a link within the page has that page as its Target like any other, except that a
// percent-encoded path that is no UTF-8 is read in `page_encoding`, the encoding of the link's
// page (FileEntry::Encoding) when the check set reads pages as today's sites write them.
bool VerifyLink(RunContext& run, AttrEntry& attr, std::uint8_t page_encoding = 0);
// Starts fetching what VerifyLink reads first for this link: its target's text and what the
// run's cache remembers of it. A file's links call it a few links ahead.
void PrefetchLink(const RunContext& run, const AttrEntry& attr) noexcept;
// Then, a few links later, what follows from that.
void PrefetchLinkTarget(const RunContext& run, const AttrEntry& attr) noexcept;

// Looks the anchor up in file `file_index`, counts the match and sets the attribute's Code.
// True on failure; the Code is then left as it was.
bool LookupAnchor(RunContext& run, std::int32_t file_index, std::u16string_view anchor,
                  AttrEntry& attr);

// Adds counts gathered apart (RunContext::Counts) to the file table and its anchors.
void AddLinkCounts(FileTable& files, const LinkCounts& counts);

// Trims, removes case-folded duplicates and gaps; the entries left (0 when none), -1 on failure.
std::int32_t NormalizeList(std::vector<std::u16string>& list);

}  // namespace HtmlLink
