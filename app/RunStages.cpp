#include "app/RunStages.h"

#include <algorithm>

#include "engine/Codes.h"
#include "engine/ScanFile.h"
#include "lib/TextScan.h"
#include "lib/VornFileList.h"
#include "lib/VornFilePath.h"
#include "verify/Anchors.h"
#include "verify/TagChecks.h"
#include "verify/VerifyLink.h"

namespace app {

std::u16string BaseUrlHead(const CheckSet& set) {
    if (set.Url.empty()) return {};
    return VornFilePath::SplitPath(set.Url, u"").Head;
}

StringList IgnorePatterns(std::uint8_t enabled, const StringList& patterns) {
    StringList out{u""};
    if (enabled == 1 && VornFileList::ToLikePatterns(out, patterns) != 0) out = {u""};
    return out;
}

SearchResult SearchFiles(const CheckSet& set, StringList& found, PathList::PathEntries& paths,
                         std::int32_t& find_result, VornFileList::UnsearchedList* unsearched,
                         std::vector<std::int64_t>* sizes) {
    const StringList every{u"*"};
    const StringList file_ignore = IgnorePatterns(set.FilePatternXEnabled, set.FilePatternX);
    const StringList dir_ignore = IgnorePatterns(set.DirPatternXEnabled, set.DirPatternX);
    found = {u""};
    find_result =
        VornFileList::FindFiles(found, set.LocalPath, every, file_ignore, set.FileAttribute, every,
                                dir_ignore, set.DirAttribute, true, true, unsearched, sizes);
    if (found.empty() || found[0].empty()) return SearchResult::NoFiles;
    paths.resize(found.size());
    for (std::size_t k = 0; k < found.size(); ++k)
        paths[k] = {found[k], static_cast<std::int32_t>(k)};
    if (PathList::SortPaths(paths, 0, static_cast<std::int32_t>(paths.size()) - 1))
        return SearchResult::SortFailed;
    return SearchResult::Found;
}

void ScanAndCheck(HtmlLink::FileEntry& entry, const std::u16string& path, const CheckSet& set,
                  const std::u16string& base_url_head) {
    entry.Path = path;
    if (HtmlLink::ScanFile(entry, set.HtmlFileLikePattern, set.ModernHtml == 1) ==
        HtmlLink::ScanOk) {
        HtmlLink::CheckFileTags(entry, base_url_head, set);
        HtmlLink::CheckAnchorDefinitions(entry, set);
    }
}

namespace {

// The local links of a file, one after the other.
class LocalLinks {
public:
    explicit LocalLinks(HtmlLink::FileEntry& file) : file_(file), tags_(UsedCount(file.Tags)) {}

    HtmlLink::AttrEntry* Next() noexcept {
        for (; tag_ < tags_; ++tag_, attr_ = 0) {
            HtmlLink::TagEntry& tag = file_.Tags[tag_];
            if (attr_ == 0) attrs_ = UsedCount(tag.Attrs);
            while (attr_ < attrs_) {
                HtmlLink::AttrEntry& attr = tag.Attrs[attr_++];
                if (HtmlLink::IsLocalLink(attr.Code)) return &attr;
            }
        }
        return nullptr;
    }

private:
    HtmlLink::FileEntry& file_;
    const std::size_t tags_;
    std::size_t tag_ = 0, attr_ = 0, attrs_ = 0;
};

}  // namespace

bool VerifyFileLinks(HtmlLink::RunContext& run, std::size_t file_index) {
    using namespace HtmlLink;
    FileEntry& file = (*run.Files)[file_index];
    if (file.Status != ScanOk) return false;
    // A second walk a few links ahead starts fetching what each one's verification reads
    // first, on a big site mostly from memory; a third, halfway, what those reads lead to.
    LocalLinks ahead(file), halfway(file), links(file);
    constexpr int kAhead = 8;
    for (int k = 0; k < kAhead; ++k) {
        if (const AttrEntry* next = ahead.Next()) PrefetchLink(run, *next);
        if (k >= kAhead / 2) {
            if (const AttrEntry* next = halfway.Next()) PrefetchLinkTarget(run, *next);
        }
    }
    bool failed = false;
    std::size_t calls = 0;
    while (AttrEntry* attr = links.Next()) {
        // Links left here keep their codes and are logged as not checked.
        if (Stopping(calls)) return failed;
        if (const AttrEntry* next = ahead.Next()) PrefetchLink(run, *next);
        if (const AttrEntry* next = halfway.Next()) PrefetchLinkTarget(run, *next);
        if (VerifyLink(run, *attr, file.Encoding)) failed = true;
    }
    return failed;
}

namespace {

// The group of the links to a target: that of the path it leads to, its fragment and query left
// out.
std::uint64_t PathHash(std::u16string_view target) noexcept {
    const std::size_t end = TextScan::FindAny(target.data(), target.size(), 0, u'#', u'?', u'?');
    return HtmlLink::HashText(target.substr(0, end));
}

}  // namespace

bool TargetOrder::Gather(HtmlLink::FileEntry& file, std::vector<Link>& links) noexcept try {
    links.clear();
    if (file.Status != HtmlLink::ScanOk) return true;
    static_assert(alignof(HtmlLink::AttrEntry) >= 8);
    LocalLinks local(file);
    while (HtmlLink::AttrEntry* attr = local.Next()) {
        const auto address = reinterpret_cast<std::uintptr_t>(attr) >> 3;
        if (address >> kAddressBits) return false;  // not where this machine keeps its data
        const Link group = PathHash(attr->Target) >> (64 - kGroupBits);
        links.push_back(group << (64 - kGroupBits) | Link{file.Encoding} << kAddressBits |
                        address);
    }
    return true;
} catch (...) {
    return false;
}

void TargetOrder::Add(const std::vector<Link>& links) {
    for (const Link link : links) {
        if (count_ == pieces_.size() * kPiece)
            pieces_.push_back(std::make_unique_for_overwrite<Link[]>(kPiece));
        pieces_[count_ / kPiece][count_ % kPiece] = link;
        ++count_;
        ++group_sizes_[GroupOf(link)];
    }
}

bool TargetOrder::Arrange() noexcept try {
    links_ = std::make_unique_for_overwrite<Link[]>(count_);
    std::array<std::size_t, kGroups> next;
    starts_[0] = 0;
    for (std::size_t g = 0; g < kGroups; ++g) {
        next[g] = starts_[g];
        starts_[g + 1] = starts_[g] + group_sizes_[g];
    }
    // Each piece goes as soon as its links are placed, so the list is held about once.
    for (std::size_t k = 0; k < count_; ++k) {
        const Link link = pieces_[k / kPiece][k % kPiece];
        links_[next[GroupOf(link)]++] = link;
        if ((k + 1) % kPiece == 0 || k + 1 == count_) pieces_[k / kPiece].reset();
    }
    pieces_.clear();
    return true;
} catch (...) {
    Clear();
    return false;
}

bool TargetOrder::VerifyGroup(HtmlLink::RunContext& run, std::size_t g) {
    using namespace HtmlLink;
    if (!links_ || g >= kGroups) return false;
    const Link* const first = links_.get() + starts_[g];
    const std::size_t n = starts_[g + 1] - starts_[g];
    // A group holds the links to a few paths only; sorted by where their targets' texts are
    // held, the links to one target come together. Without the room for that, the group is
    // verified as it stands.
    thread_local std::vector<std::pair<std::uintptr_t, Link>> keyed;
    constexpr std::size_t kAhead = 8;
    bool sorted = true;
    try {
        keyed.resize(n);
        for (std::size_t k = 0; k < n; ++k) {
            if (k + kAhead < n) __builtin_prefetch(AttrOf(first[k + kAhead]));
            const char16_t* const text = AttrOf(first[k])->Target.data();
            keyed[k] = {reinterpret_cast<std::uintptr_t>(text), first[k]};
        }
        std::sort(keyed.begin(), keyed.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
    } catch (...) {
        sorted = false;
    }
    const auto link = [&](std::size_t k) { return sorted ? keyed[k].second : first[k]; };
    // As page by page, each new target is fetched a few links ahead.
    const auto new_target = [&](std::size_t k) {
        return !sorted || k == 0 || keyed[k].first != keyed[k - 1].first;
    };
    for (std::size_t k = 0; k < kAhead && k < n; ++k) {
        if (new_target(k)) PrefetchLink(run, *AttrOf(link(k)));
    }
    bool failed = false;
    std::size_t calls = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (Stopping(calls)) return failed;
        if (k + kAhead < n && new_target(k + kAhead)) PrefetchLink(run, *AttrOf(link(k + kAhead)));
        if (k + kAhead / 2 < n && new_target(k + kAhead / 2))
            PrefetchLinkTarget(run, *AttrOf(link(k + kAhead / 2)));
        if (VerifyLink(run, *AttrOf(link(k)), EncodingOf(link(k)))) failed = true;
    }
    return failed;
}

void TargetOrder::Clear() noexcept {
    pieces_.clear();
    links_.reset();
    count_ = 0;
    group_sizes_.fill(0);
    starts_.fill(0);
}

}  // namespace app
