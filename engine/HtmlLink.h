#pragma once
// Everything a check run learns about the site: one FileEntry per found file, with the tags
// that can carry links or anchors, their attributes, the anchors and every warning.
//
// Lists are vectors that follow one append rule: an empty vector is a list whose single slot
// is free; appending writes into the last slot when it is free and grows the list otherwise.
// A slot is free when its key is empty (Path, Name, Text; TagIndex < 0 for anchors), so an
// entry appended with an empty key is overwritten by the next one, and every pass over a list
// stops at the first free slot. An empty list allocates nothing.
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace HtmlLink {

// Set by a front end that cannot yield inside a file (the command line's Ctrl-C, from a signal
// handler): the scan, the tag checks and the verification give up the file in hand, so the run's
// own stop check comes within a moment even on a page of hundreds of megabytes. A file given up
// in the scan or the tag checks keeps no tags, as one the run never reached.
inline std::atomic<bool> StopRequested{false};

// True on every 4096th call once a stop is requested; cheap enough for a loop over links.
inline bool Stopping(std::size_t& calls) noexcept {
    return (++calls & 4095) == 0 && StopRequested.load(std::memory_order_relaxed);
}

enum ScanStatus : std::int32_t {
    ScanOk = 0,
    ScanNotHtml = 1,
    ScanReadFailed = 2,
    ScanCutFailed = 3,
    ScanUnknownError = 99,
};

struct WarningEntry {
    std::int32_t Code = 0;
    std::u16string Text;
};
using WarningList = std::vector<WarningEntry>;

struct AttrEntry {
    std::u16string Name;   // as written
    std::u16string Value;  // as written after '=' and blanks, quotes included
    std::u16string Target;
    std::int32_t Line = 0;       // line of the tag
    std::int32_t ValueLine = 0;  // line on which the value begins
    std::int32_t Code = 0;
    WarningList Warnings;
};

struct TagEntry {
    std::u16string Name;         // as written, without '<' and the '/' of an end tag
    std::int32_t DefIndex = -1;  // index in LinkTags; -1 for a tag kept for its id
    std::vector<AttrEntry> Attrs;
    std::int32_t Line = 0;
    std::int32_t Code = 0;
    WarningList Warnings;
    bool RevMade = false;
};

struct AnchorEntry {
    std::int32_t TagIndex = -1;
    std::int32_t AttrIndex = 0;
    std::int32_t LinkCount = 0;
    std::uint8_t Duplicate = 0;
};

struct FileEntry {
    std::u16string Path;
    std::vector<AnchorEntry> Anchors;
    std::vector<TagEntry> Tags;
    std::int32_t LinkCount = 0;
    std::int32_t Status = 0;
    WarningList Warnings;
    // The encoding the page was read in when the check set reads pages as today's sites write
    // them (WebText::PageEncoding); percent-encoded links of the page fall back to it.
    std::uint8_t Encoding = 0;
};

// One entry per found file, in found order; index k is the file index of the path list.
using FileTable = std::vector<FileEntry>;

inline bool InUse(const WarningEntry& e) { return !e.Text.empty(); }
inline bool InUse(const AttrEntry& e) { return !e.Name.empty(); }
inline bool InUse(const TagEntry& e) { return !e.Name.empty(); }
inline bool InUse(const AnchorEntry& e) { return e.TagIndex >= 0; }
inline bool InUse(const FileEntry& e) { return !e.Path.empty(); }

// Appends by the rule above and returns the slot written.
template <class Entry>
Entry& AppendEntry(std::vector<Entry>& list, Entry entry) {
    if (!list.empty() && !InUse(list.back())) {
        list.back() = std::move(entry);
    } else {
        list.push_back(std::move(entry));
    }
    return list.back();
}

// Number of entries before the first free slot (what every pass walks).
template <class Entry>
std::size_t UsedCount(const std::vector<Entry>& list) {
    std::size_t n = 0;
    while (n < list.size() && InUse(list[n])) ++n;
    return n;
}

// Appends one warning. Returns true on failure (the list is then unchanged); callers ignore it.
bool AddWarning(WarningList& list, std::int32_t code, std::u16string_view text) noexcept;

}  // namespace HtmlLink
