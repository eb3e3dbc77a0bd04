#include "verify/VerifyLink.h"

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <unordered_set>

#include "engine/VornHtml.h"
#include "engine/Warnings.h"
#include "lib/VornFileList.h"
#include "lib/WebText.h"
#include "platform/Chars.h"
#include "platform/FileNameCompare.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/Text.h"

namespace HtmlLink {

// Eight bytes at a time: drive-form paths share long prefixes and anchor names are short, and a
// general-purpose hash cost more than the probe it serves.
std::uint64_t HashText(std::u16string_view s) noexcept {
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15u;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t bytes = s.size() * sizeof(char16_t);
    std::uint64_t h = bytes * kMul;
    if (bytes < 8) {
        std::uint64_t w = 0;
        for (std::size_t k = 0; k < s.size(); ++k) w |= std::uint64_t{s[k]} << (16 * k);
        h = (h ^ w) * kMul;
    } else {
        std::size_t n = bytes;
        for (; n >= 8; n -= 8, p += 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            h = (h ^ w) * kMul;
        }
        // The last word overlaps the one before; the length is in the hash already.
        if (n) {
            std::uint64_t w;
            std::memcpy(&w, p + n - 8, 8);
            h = (h ^ w) * kMul;
        }
    }
    // The tables read both the low and the high bits.
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93u;
    return h ^ (h >> 29);
}

namespace {

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view s) const noexcept { return HashText(s); }
};
struct TextEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept {
        return a.size() == b.size() &&
               (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0);
    }
};

bool SameText(std::u16string_view a, std::u16string_view b) { return TextEqual{}(a, b); }

template <class Key, class Value>
using TextMap = absl::flat_hash_map<Key, Value, TextHash, TextEqual>;
template <class Key>
using TextSet = absl::flat_hash_set<Key, TextHash, TextEqual>;

// The verification of this link failed inside: true, with code 99 and its warning.
bool Failed(AttrEntry& attr) {
    attr.Code = kVerifyFailed;
    AddWarning(attr.Warnings, kVerifyFailed, msg::kVerifyFailed);
    return true;
}

void Report(AttrEntry& attr, std::int32_t code, std::u16string_view text) {
    attr.Code = code;
    AddWarning(attr.Warnings, code, text);
}

bool EndsWithSeparator(std::u16string_view t) {
    return !t.empty() && (t.back() == u'\\' || t.back() == u'/');
}

std::u16string_view After(std::u16string_view text, std::size_t n) {
    return n < text.size() ? text.substr(n) : std::u16string_view();
}

// The anchor attribute an entry points at, or null when its indexes lead nowhere.
const AttrEntry* AnchorAttr(const FileEntry& file, const AnchorEntry& anchor) {
    if (anchor.TagIndex < 0 || static_cast<std::size_t>(anchor.TagIndex) >= file.Tags.size())
        return nullptr;
    const TagEntry& tag = file.Tags[static_cast<std::size_t>(anchor.TagIndex)];
    if (anchor.AttrIndex < 0 || static_cast<std::size_t>(anchor.AttrIndex) >= tag.Attrs.size())
        return nullptr;
    return &tag.Attrs[static_cast<std::size_t>(anchor.AttrIndex)];
}

bool Modern(const RunContext& run) { return run.Set && run.Set->ModernHtml == 1; }

void CountFileLink(RunContext& run, FileEntry& file, std::size_t file_index) {
    if (!run.Counts) {
        ++file.LinkCount;
        return;
    }
    std::vector<std::int32_t>& counts = run.Counts->Files;
    if (counts.size() <= file_index) counts.resize(run.Files->size());
    ++counts[file_index];
}

void CountAnchorLink(RunContext& run, AnchorEntry& entry, std::size_t file_index,
                     std::size_t anchor_index) {
    if (!run.Counts) {
        ++entry.LinkCount;
        return;
    }
    LinkCounts& counts = *run.Counts;
    if (counts.AnchorStart.empty()) {
        const FileTable& files = *run.Files;
        counts.AnchorStart.resize(files.size() + 1);
        std::size_t total = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            counts.AnchorStart[i] = static_cast<std::uint32_t>(total);
            total += files[i].Anchors.size();
        }
        if (total > UINT32_MAX) throw std::length_error("LinkCounts");
        counts.AnchorStart.back() = static_cast<std::uint32_t>(total);
        counts.Anchors.assign(total, 0);
    }
    // The table does not grow during verification; an anchor beyond it is not counted.
    if (file_index + 1 >= counts.AnchorStart.size()) return;
    const std::size_t at = counts.AnchorStart[file_index] + anchor_index;
    if (at < counts.AnchorStart[file_index + 1]) ++counts.Anchors[at];
}

}  // namespace

std::u16string AnchorName(const AttrEntry& attr, bool modern) {
    const std::u16string_view name = VornHtml::Unquote(attr.Value);
    return modern ? WebText::DecodeCharRefs(name) : std::u16string(name);
}

namespace {

// AnchorName(attr, modern) == name, without a copy when there is nothing to decode.
bool NameIs(const AttrEntry& attr, bool modern, std::u16string_view name) {
    const std::u16string_view written = VornHtml::Unquote(attr.Value);
    if (modern && written.find(u'&') != written.npos)
        return WebText::DecodeCharRefs(written) == name;
    return written == name;
}

// Where a file's anchor names stand, built once for the file, in one block: a table of its
// distinct names (open addressing, each slot with the name's hash, so that a probe rarely
// reads a name), the positions of each name in list order, contiguous, and the names' text.
// A lookup stays within the block instead of visiting the attributes of the target file, and
// freeing it is one call.
class FileAnchors {
public:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t from = 0;    // in the text
        std::uint32_t length = 0;  // of the name
        std::int32_t first = 0;    // in the positions
        std::int32_t count = 0;    // 0: an empty slot
    };

    // The index of a file's anchors; unusable when an entry leads nowhere (the walk over the
    // list then fails where it stands).
    static FileAnchors* Build(const FileEntry& file, bool modern);
    static void Free(FileAnchors* index) noexcept {
        if (!index) return;
        index->~FileAnchors();
        ::operator delete(index);
    }

    bool usable() const noexcept { return usable_; }
    bool modern() const noexcept { return modern_; }

    // The positions of the anchors named `name`; empty when none is.
    std::span<const std::int32_t> Find(std::u16string_view name) const noexcept {
        if (slot_count_ == 0) return {};
        const std::uint64_t h = HashText(name);
        const auto hash = static_cast<std::uint32_t>(h);
        for (std::uint32_t k = static_cast<std::uint32_t>(h >> 32) & (slot_count_ - 1);;
             k = (k + 1) & (slot_count_ - 1)) {
            const Slot& slot = Slots()[k];
            if (slot.count == 0) return {};
            if (slot.hash == hash && slot.length == name.size() &&
                (name.empty() ||
                 std::memcmp(Text() + slot.from, name.data(), name.size() * sizeof(char16_t)) == 0))
                return {Positions() + slot.first, static_cast<std::size_t>(slot.count)};
        }
    }

private:
    FileAnchors() = default;
    Slot* Slots() noexcept { return reinterpret_cast<Slot*>(this + 1); }
    const Slot* Slots() const noexcept { return reinterpret_cast<const Slot*>(this + 1); }
    std::int32_t* Positions() noexcept {
        return reinterpret_cast<std::int32_t*>(Slots() + slot_count_);
    }
    const std::int32_t* Positions() const noexcept {
        return reinterpret_cast<const std::int32_t*>(Slots() + slot_count_);
    }
    char16_t* Text() noexcept { return reinterpret_cast<char16_t*>(Positions() + position_count_); }
    const char16_t* Text() const noexcept {
        return reinterpret_cast<const char16_t*>(Positions() + position_count_);
    }

    bool usable_ = false;
    bool modern_ = false;
    std::uint32_t slot_count_ = 0;  // a power of two, or 0
    std::uint32_t position_count_ = 0;
};

FileAnchors* FileAnchors::Build(const FileEntry& file, bool modern) {
    const std::size_t n = UsedCount(file.Anchors);
    std::vector<std::u16string_view> names(n);
    std::vector<std::u16string> decoded;
    std::size_t to_decode = 0;
    bool usable = n <= 0x3FFFFFFF;
    for (std::size_t k = 0; k < n && usable; ++k) {
        const AttrEntry* attr = AnchorAttr(file, file.Anchors[k]);
        if (!attr) {
            usable = false;
            break;
        }
        names[k] = VornHtml::Unquote(attr->Value);
        if (modern && names[k].find(u'&') != names[k].npos) ++to_decode;
    }
    std::size_t length = 0;
    if (usable) {
        // Reserved whole, so that the views into them stay put.
        decoded.reserve(to_decode);
        for (std::size_t k = 0; k < n; ++k) {
            if (modern && names[k].find(u'&') != names[k].npos) {
                decoded.push_back(WebText::DecodeCharRefs(names[k]));
                names[k] = decoded.back();
            }
            length += names[k].size();
        }
        usable = length <= 0xFFFFFFFF / sizeof(char16_t);
    }
    // At most three quarters full: a miss still ends within a line or two of slots, and a
    // site's indexes together stay small.
    std::uint32_t slots = 0;
    if (usable && n > 0) {
        slots = 2;
        while (slots * 3 < 4 * n) slots *= 2;
    }
    const std::size_t positions = usable ? n : 0;
    std::vector<std::uint32_t> slot_of(positions);
    const std::size_t bytes = sizeof(FileAnchors) + slots * sizeof(Slot) +
                              positions * sizeof(std::int32_t) +
                              (usable ? length : 0) * sizeof(char16_t);
    auto* index = new (::operator new(bytes)) FileAnchors;
    index->modern_ = modern;
    index->slot_count_ = slots;
    index->position_count_ = static_cast<std::uint32_t>(positions);
    if (!usable) return index;
    Slot* table = index->Slots();
    for (std::uint32_t k = 0; k < slots; ++k) new (table + k) Slot;

    // Distinct names first, each with the count of its anchors; then each name's run of
    // positions, in list order.
    std::uint32_t text_used = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::u16string_view name = names[k];
        const std::uint64_t h = HashText(name);
        const auto hash = static_cast<std::uint32_t>(h);
        std::uint32_t at = static_cast<std::uint32_t>(h >> 32) & (slots - 1);
        for (;; at = (at + 1) & (slots - 1)) {
            Slot& slot = table[at];
            if (slot.count == 0) {
                slot.hash = hash;
                slot.from = text_used;
                slot.length = static_cast<std::uint32_t>(name.size());
                if (!name.empty())
                    std::memcpy(index->Text() + text_used, name.data(),
                                name.size() * sizeof(char16_t));
                text_used += slot.length;
                break;
            }
            if (slot.hash == hash && slot.length == name.size() &&
                (name.empty() || std::memcmp(index->Text() + slot.from, name.data(),
                                             name.size() * sizeof(char16_t)) == 0))
                break;
        }
        ++table[at].count;
        slot_of[k] = at;
    }
    std::int32_t next = 0;
    for (std::uint32_t k = 0; k < slots; ++k) {
        if (table[k].count == 0) continue;
        table[k].first = next;
        next += table[k].count;
        table[k].count = 0;
    }
    for (std::size_t k = 0; k < n; ++k) {
        Slot& slot = table[slot_of[k]];
        index->Positions()[slot.first + slot.count++] = static_cast<std::int32_t>(k);
    }
    index->usable_ = true;
    return index;
}

}  // namespace

// The search's answer about the site, built once and then only read: the files it found and
// every directory above them (views into the path list, which outlives the cache); the anchor
// indexes, each built by the first thread that needs it; the listings of site directories.
struct VerifyCache::Site {
    const PathList::PathEntries* paths = nullptr;
    struct Entry {
        std::int32_t position = -1;  // in the path list, for a file
        // File or Directory when that is the answer without the disk; None leaves it to the
        // disk (a file that could not be read may be gone since the search; wildcards).
        VornFilePath::PathKind kind = VornFilePath::PathKind::None;
    };
    TextMap<std::u16string_view, Entry> entries;

    std::size_t anchor_count = 0;
    std::unique_ptr<std::atomic<FileAnchors*>[]> anchors;

    // Folded names of every entry of a site directory, listed the first time a name in it was
    // not found: the names that are surely missing cost no file system call after that.
    std::mutex listing_mutex;
    TextMap<std::u16string, TextSet<std::u16string>> listings;

    ~Site() {
        for (std::size_t i = 0; i < anchor_count; ++i) FileAnchors::Free(anchors[i].load());
    }
};

namespace {

// Texts kept for the life of a cache, in a few large blocks: a run asks about many distinct
// missing targets, and a key of its own each would cost an allocation and, at the end of the
// run, a free.
class TextArena {
public:
    std::u16string_view Keep(std::u16string_view text) {
        if (text.size() > room_) {
            const std::size_t size = std::max(kBlock, text.size());
            blocks_.emplace_back(new char16_t[size]);
            next_ = blocks_.back().get();
            room_ = size;
        }
        char16_t* kept = next_;
        if (!text.empty()) std::memcpy(kept, text.data(), text.size() * sizeof(char16_t));
        next_ += text.size();
        room_ -= text.size();
        return {kept, text.size()};
    }

private:
    static constexpr std::size_t kBlock = std::size_t{1} << 14;
    std::vector<std::unique_ptr<char16_t[]>> blocks_;
    char16_t* next_ = nullptr;
    std::size_t room_ = 0;
};

}  // namespace

struct VerifyCache::Impl {
    std::shared_ptr<Site> site;
    // This thread's answers about the texts the site index cannot settle; the keys are kept in
    // `texts`.
    TextArena texts;
    TextMap<std::u16string_view, VornFilePath::PathKind> kinds;
    TextMap<std::u16string_view, std::int32_t> positions;
    // Direct-mapped by the address of a target's block, at least one entry a file: a big site's
    // distinct targets are asked about again after thousands of others, and answering them anew
    // costs more than the misses of a table too big for the processor's cache.
    static constexpr int kMinKnownBits = 13, kMaxKnownBits = 17;
    int known_bits = kMinKnownBits;
    std::unique_ptr<KnownTarget[]> known;
};

namespace {

bool IsPlainName(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." &&
           name.find_first_of(u"/*?:") == name.npos;
}

bool HasWildcard(std::u16string_view path) { return path.find_first_of(u"*?") != path.npos; }

std::shared_ptr<VerifyCache::Site> LearnSite(const RunContext& run) {
    using Kind = VornFilePath::PathKind;
    auto site = std::make_shared<VerifyCache::Site>();
    if (!run.Paths || !run.Files) return site;
    site->paths = run.Paths;
    site->entries.reserve(run.Paths->size() + run.Paths->size() / 8);
    const auto unreadable = [&](const PathList::PathEntry& entry) {
        return entry.FileIndex >= 0 &&
               static_cast<std::size_t>(entry.FileIndex) < run.Files->size() &&
               (*run.Files)[static_cast<std::size_t>(entry.FileIndex)].Status == ScanReadFailed;
    };
    std::int32_t position = -1;
    for (const PathList::PathEntry& entry : *run.Paths) {
        ++position;
        const std::u16string_view path = entry.Path;
        if (path.empty()) continue;
        // The first of equal paths, as the binary search takes it.
        site->entries.try_emplace(
            path, VerifyCache::Site::Entry{
                      position, unreadable(entry) || HasWildcard(path) ? Kind::None : Kind::File});
    }
    // Files first: a text that names a file never answers Directory.
    for (const PathList::PathEntry& entry : *run.Paths) {
        const std::u16string_view path = entry.Path;
        if (path.empty() || unreadable(entry)) continue;
        // Every directory above a found file exists; the bare drive is left to the disk.
        for (std::size_t cut = path.rfind(u'\\'); cut != path.npos && cut > 2;
             cut = path.rfind(u'\\', cut - 1)) {
            const std::u16string_view dir = path.substr(0, cut);
            if (!site->entries
                     .try_emplace(dir, VerifyCache::Site::Entry{
                                           -1, HasWildcard(dir) ? Kind::None : Kind::Directory})
                     .second)
                break;
        }
    }
    site->anchor_count = run.Files->size();
    site->anchors = std::make_unique<std::atomic<FileAnchors*>[]>(site->anchor_count);
    return site;
}

// Whether `name` is surely missing from site directory `dir`: false when its listing holds the
// name in some letter case or cannot be had.
bool MissingFromListing(VerifyCache::Site& site, std::u16string_view dir,
                        std::u16string_view name) {
    const std::lock_guard<std::mutex> lock(site.listing_mutex);
    auto listed = site.listings.find(dir);
    if (listed == site.listings.end()) {
        std::vector<platform::DirEntry> entries;
        // Only the names count, so the entries are not looked at one by one.
        const std::uint8_t any = platform::kReadOnly | platform::kHidden | platform::kSystem |
                                 platform::kDirectory | platform::kNamesOnly;
        if (platform::Fs().List(std::u16string(dir) + u"\\*", any, entries) !=
            platform::ListResult::Ok)
            return false;
        TextSet<std::u16string> names;
        for (const platform::DirEntry& e : entries) names.insert(platform::FoldCase(e.Name));
        listed = site.listings.try_emplace(std::u16string(dir), std::move(names)).first;
    }
    return !listed->second.contains(platform::FoldCase(name));
}

// What the site index can tell without the file system about a path without trailing
// separators that it holds no answer for; nullopt when only the disk knows.
std::optional<VornFilePath::PathKind> KindFromSite(VerifyCache::Site& site,
                                                   std::u16string_view path) {
    if (path.empty() || HasWildcard(path)) return std::nullopt;
    const std::size_t cut = path.rfind(u'\\');
    if (cut == path.npos) return std::nullopt;
    const std::u16string_view dir = path.substr(0, cut);
    const std::u16string_view name = path.substr(cut + 1);
    if (!IsPlainName(name)) return std::nullopt;
    const auto above = site.entries.find(dir);
    if (above == site.entries.end() || above->second.kind != VornFilePath::PathKind::Directory)
        return std::nullopt;
    if (!MissingFromListing(site, dir, name)) return std::nullopt;
    return VornFilePath::PathKind::None;
}

}  // namespace

VerifyCache::VerifyCache(std::size_t files) : impl_(std::make_unique<Impl>()) {
    impl_->known_bits = std::clamp(static_cast<int>(std::bit_width(files)), Impl::kMinKnownBits,
                                   Impl::kMaxKnownBits);
}

VerifyCache::VerifyCache(VerifyCache& first, const RunContext& run)
    : impl_(std::make_unique<Impl>()) {
    impl_->known_bits = first.impl_->known_bits;
    if (!first.impl_->site) first.impl_->site = LearnSite(run);
    impl_->site = first.impl_->site;
}

VerifyCache::~VerifyCache() = default;

VornFilePath::PathKind VerifyCache::PathKind(const RunContext& run,
                                             std::u16string_view path) noexcept {
    std::int32_t position;
    return PathKind(run, path, position);
}

VornFilePath::PathKind VerifyCache::PathKind(const RunContext& run, std::u16string_view path,
                                             std::int32_t& position) noexcept try {
    position = -1;
    if (!impl_->site) impl_->site = LearnSite(run);
    Site& site = *impl_->site;
    // Found files and the directories above them need nothing of this thread's own.
    std::u16string_view trimmed = path;
    while (!trimmed.empty() && trimmed.back() == u'\\') trimmed.remove_suffix(1);
    if (const auto known = site.entries.find(trimmed);
        known != site.entries.end() && known->second.kind != VornFilePath::PathKind::None) {
        if (trimmed.size() == path.size() && site.paths == run.Paths)
            position = known->second.position;
        return known->second.kind;
    }
    auto known_kind = impl_->kinds.find(path);
    if (known_kind != impl_->kinds.end()) return known_kind->second;
    const std::optional<VornFilePath::PathKind> known = KindFromSite(site, trimmed);
    const VornFilePath::PathKind kind = known ? *known : VornFilePath::GetPathKind(path);
    impl_->kinds.try_emplace(impl_->texts.Keep(path), kind);
    return kind;
} catch (...) {
    return VornFilePath::GetPathKind(path);
}

namespace {

std::int32_t FindInList(const PathList::PathEntries& paths, std::u16string_view path) {
    if (paths.empty()) return -1;
    return PathList::FindPath(paths, path, 0, static_cast<std::int32_t>(paths.size()) - 1);
}

// The entry of a target's block in a table of 2^bits entries.
std::size_t KnownSlot(const TableText& target, int bits) noexcept {
    const auto address = reinterpret_cast<std::uintptr_t>(target.data());
    return ((address >> 4) * 0x9E3779B97F4A7C15u) >> (64 - bits);
}

}  // namespace

void VerifyCache::Prefetch(const TableText& target) const noexcept {
    const TableText::Shared* block = target.BlockOrNull();
    if (!block) return;
    __builtin_prefetch(block);
    if (impl_->known) __builtin_prefetch(&impl_->known[KnownSlot(target, impl_->known_bits)], 1);
}

void VerifyCache::PrefetchFound(const RunContext& run, const TableText& target) const noexcept {
    if (!impl_->known || !target.BlockOrNull() || !run.Files) return;
    const KnownTarget& entry = impl_->known[KnownSlot(target, impl_->known_bits)];
    if (!entry.target.SharesWith(target)) {
        // Another text's entry, to be emptied: the texts it lets go.
        if (TableText::Shared* block = entry.target.BlockOrNull()) __builtin_prefetch(block, 1);
        if (TableText::Shared* block = entry.rewritten.BlockOrNull()) __builtin_prefetch(block, 1);
        return;
    }
    if (!entry.has_found) return;
    const auto index = static_cast<std::size_t>(entry.target_index);
    if (index < run.Files->size()) __builtin_prefetch(&(*run.Files)[index].Status);
    if (run.Counts && index < run.Counts->Files.size())
        __builtin_prefetch(&run.Counts->Files[index], 1);
}

VerifyCache::KnownTarget* VerifyCache::Remembered(const TableText& target) noexcept try {
    if (!target.SharesWith(target)) return nullptr;  // held inline, without a block
    const int bits = impl_->known_bits;
    if (!impl_->known) impl_->known = std::make_unique<KnownTarget[]>(std::size_t{1} << bits);
    KnownTarget& entry = impl_->known[KnownSlot(target, bits)];
    if (!entry.target.SharesWith(target)) {
        entry = KnownTarget();
        entry.target = target;
    }
    return &entry;
} catch (...) {
    return nullptr;
}

std::int32_t VerifyCache::FindPath(const PathList::PathEntries& paths,
                                   std::u16string_view path) noexcept try {
    // A path spelt exactly as a found one is that entry; FindPath prefers the exact spelling.
    if (impl_->site && impl_->site->paths == &paths) {
        const auto found = impl_->site->entries.find(path);
        if (found != impl_->site->entries.end() && found->second.position >= 0)
            return found->second.position;
    }
    auto known = impl_->positions.find(path);
    if (known != impl_->positions.end()) return known->second;
    const std::int32_t position = FindInList(paths, path);
    impl_->positions.try_emplace(impl_->texts.Keep(path), position);
    return position;
} catch (...) {
    return FindInList(paths, path);
}

bool VerifyCache::AnchorsNamed(const FileTable& files, std::int32_t file_index,
                               std::u16string_view anchor, bool modern,
                               std::span<const std::int32_t>& positions) noexcept try {
    if (!impl_->site || file_index < 0) return false;
    Site& site = *impl_->site;
    const auto i = static_cast<std::size_t>(file_index);
    if (i >= files.size() || i >= site.anchor_count) return false;
    FileAnchors* index = site.anchors[i].load(std::memory_order_acquire);
    if (!index) {
        // Whoever publishes first wins; an index built twice is the same index.
        FileAnchors* built = FileAnchors::Build(files[i], modern);
        if (site.anchors[i].compare_exchange_strong(index, built, std::memory_order_acq_rel,
                                                    std::memory_order_acquire))
            index = built;
        else
            FileAnchors::Free(built);
    }
    if (!index->usable() || index->modern() != modern) return false;
    positions = index->Find(anchor);
    return true;
} catch (...) {
    return false;
}

namespace {

// The cache's answer to which anchors of a file bear a name; not `indexed` when the list has to
// be walked instead.
struct Named {
    bool indexed = false;
    std::span<const std::int32_t> positions;
};

Named FindNamed(RunContext& run, std::int32_t file_index, std::u16string_view anchor) {
    Named named;
    named.indexed = run.Cache && run.Cache->AnchorsNamed(*run.Files, file_index, anchor,
                                                         Modern(run), named.positions);
    return named;
}

bool LookupAnchorIn(RunContext& run, std::int32_t file_index, std::u16string_view anchor,
                    AttrEntry& attr, const Named* known);

}  // namespace

bool LookupAnchor(RunContext& run, std::int32_t file_index, std::u16string_view anchor,
                  AttrEntry& attr) {
    return LookupAnchorIn(run, file_index, anchor, attr, nullptr);
}

namespace {

// LookupAnchor, with the cache's answer when the caller has it already.
bool LookupAnchorIn(RunContext& run, std::int32_t file_index, std::u16string_view anchor,
                    AttrEntry& attr, const Named* known) try {
    if (!run.Files || file_index < 0 || static_cast<std::size_t>(file_index) >= run.Files->size())
        return true;
    FileEntry& file = (*run.Files)[static_cast<std::size_t>(file_index)];
    const bool same_page = VornHtml::Unquote(attr.Value).starts_with(u'#');

    std::int32_t code = kAnchorMissing;
    int matches = 0;
    // True when the walk is over.
    const auto index = static_cast<std::size_t>(file_index);
    auto count_match = [&](AnchorEntry& entry) {
        ++matches;
        CountAnchorLink(run, entry, index, static_cast<std::size_t>(&entry - file.Anchors.data()));
        CountFileLink(run, file, index);
        if (entry.Duplicate < 2) {
            code = kVerified;
            return true;
        }
        // Every exact twin is counted as reached; the warning is given once.
        if (matches == 1) code = kAnchorDuplicated;
        return false;
    };

    const bool modern = Modern(run);
    const Named named = known ? *known : FindNamed(run, file_index, anchor);
    if (named.indexed) {
        for (std::int32_t k : named.positions) {
            if (static_cast<std::size_t>(k) >= file.Anchors.size()) return true;
            if (count_match(file.Anchors[static_cast<std::size_t>(k)])) break;
        }
    } else {
        for (AnchorEntry& entry : file.Anchors) {
            if (!InUse(entry)) break;
            const AttrEntry* target = AnchorAttr(file, entry);
            if (!target) return true;
            if (NameIs(*target, modern, anchor) && count_match(entry)) break;
        }
    }
    // The file itself is reached; the missing anchor is the link's one warning.
    if (modern && matches == 0) CountFileLink(run, file, index);

    attr.Code = code;
    if (code == kAnchorMissing) {
        std::u16string text(msg::kAnchorMissing);
        if (!same_page) text += msg::kFileExists;
        AddWarning(attr.Warnings, code, text);
    } else if (code == kAnchorDuplicated) {
        std::u16string text(msg::kAnchorDuplicated1);
        text += same_page ? msg::kInThisPage : msg::kInTargetFile;
        text += msg::kAnchorDuplicated2;
        AddWarning(attr.Warnings, code, text);
    }
    return false;
} catch (...) {
    return true;
}

// The scan keeps stylesheet references under these names, which no tag attribute has.
bool FromStylesheet(const AttrEntry& attr) {
    return attr.Name == u"url" || attr.Name == u"@import" ||
           (attr.Name.size() == 5 && AsciiLower(attr.Name[0]) == u's' &&
            AsciiLower(attr.Name[1]) == u't' && AsciiLower(attr.Name[2]) == u'y' &&
            AsciiLower(attr.Name[3]) == u'l' && AsciiLower(attr.Name[4]) == u'e');
}

// The position of the first '#' or '?', eight code units at a time where the machine can.
std::size_t FindHashOrQuery(std::u16string_view t) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i hash = _mm_set1_epi16(static_cast<short>(u'#'));
    const __m128i query = _mm_set1_epi16(static_cast<short>(u'?'));
    for (; i + 8 <= t.size(); i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.data() + i));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi16(v, hash), _mm_cmpeq_epi16(v, query))));
        if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask)) / 2;
    }
#endif
    for (; i < t.size(); ++i) {
        if (t[i] == u'#' || t[i] == u'?') return i;
    }
    return t.npos;
}

bool IsTop(std::u16string_view anchor) {
    return anchor.size() == 3 && AsciiLower(anchor[0]) == u't' && AsciiLower(anchor[1]) == u'o' &&
           AsciiLower(anchor[2]) == u'p';
}

bool HasAnchor(RunContext& run, std::int32_t file_index, std::u16string_view anchor,
               const Named& named) {
    if (named.indexed) return !named.positions.empty();
    const bool modern = Modern(run);
    const FileEntry& file = (*run.Files)[static_cast<std::size_t>(file_index)];
    for (const AnchorEntry& entry : file.Anchors) {
        if (!InUse(entry)) break;
        const AttrEntry* a = AnchorAttr(file, entry);
        if (a && NameIs(*a, modern, anchor)) return true;
    }
    return false;
}

}  // namespace

void PrefetchLink(const RunContext& run, const AttrEntry& attr) noexcept {
    if (run.Cache) run.Cache->Prefetch(attr.Target);
}

void PrefetchLinkTarget(const RunContext& run, const AttrEntry& attr) noexcept {
    if (run.Cache) run.Cache->PrefetchFound(run, attr.Target);
}

bool VerifyLink(RunContext& run, AttrEntry& attr, std::uint8_t page_encoding) try {
    using KnownTarget = VerifyCache::KnownTarget;
    if (!run.Set || !run.Options || !run.Files || !run.Paths) return Failed(attr);
    const CheckSet& set = *run.Set;
    FileTable& files = *run.Files;
    const PathList::PathEntries& paths = *run.Paths;

    // The path and the fragment are views into the target until one of them has to change.
    const bool modern = set.ModernHtml == 1;
    std::u16string_view t = attr.Target;
    std::u16string_view anchor;
    bool separator_before_hash = false;
    // The path and the fragment follow from the target's text alone, and so do the answers
    // about them, except where the page's encoding reads a percent-encoded path.
    VerifyCache::KnownTarget* known = run.Cache ? run.Cache->Remembered(attr.Target) : nullptr;
    // The first '#' and the first '?'; most targets have neither.
    std::size_t hash = t.npos, query = t.npos;
    if (known && known->has_split) {
        hash = known->hash == KnownTarget::kNone ? t.npos : known->hash;
        query = known->query == KnownTarget::kNone ? t.npos : known->query;
    } else {
        if (const std::size_t i = FindHashOrQuery(t); i != t.npos) {
            if (t[i] == u'#') {
                hash = i;
                query = t.find(u'?', i + 1);
            } else {
                query = i;
                hash = t.find(u'#', i + 1);
            }
        }
        if (known) {
            known->has_split = true;
            known->hash = hash == t.npos ? KnownTarget::kNone : static_cast<std::uint32_t>(hash);
            known->query = query == t.npos ? KnownTarget::kNone : static_cast<std::uint32_t>(query);
        }
    }
    if (modern) {
        // The fragment is everything after the first '#', a '?' in it included; the query
        // belongs to the path before it.
        if (hash != t.npos) {
            anchor = t.substr(hash + 1);
            t = t.substr(0, hash);
            if (query > hash) query = t.npos;
        }
        if (query != t.npos) {
            t = t.substr(0, query);
            if (t.empty()) return Failed(attr);
        }
        separator_before_hash = hash != t.npos && EndsWithSeparator(t);
    } else {
        // The query goes first, and a '#' after it with it.
        if (query != t.npos) {
            t = t.substr(0, query);
            if (t.empty()) return Failed(attr);
        }
        if (hash < t.size()) {
            anchor = t.substr(hash + 1);
            t = t.substr(0, hash);
            separator_before_hash = EndsWithSeparator(t);
        }
    }
    // A stylesheet's fragment names an element of an SVG or a font, which is not looked up.
    const bool fragment_dropped = modern && !anchor.empty() && FromStylesheet(attr);
    if (fragment_dropped) anchor = {};

    bool is_file = false;
    auto kind_of = [&](std::u16string_view path) {
        return run.Cache ? run.Cache->PathKind(run, path) : VornFilePath::GetPathKind(path);
    };
    std::int32_t position = -1;
    VornFilePath::PathKind kind;
    if (known && known->has_kind) {
        kind = known->kind;
        position = known->position;
    } else {
        kind = run.Cache ? run.Cache->PathKind(run, t, position) : VornFilePath::GetPathKind(t);
        if (known && !(modern && kind == VornFilePath::PathKind::None && t.find(u'%') != t.npos)) {
            known->has_kind = true;
            known->kind = kind;
            known->position = position;
        }
    }
    // Where the target leads, and the target as the file found writes it.
    std::int32_t target_index = -1;
    bool default_document = false;
    if (known && known->has_found && !fragment_dropped) {
        target_index = known->target_index;
        default_document = known->default_document;
        if (!known->rewritten.empty()) {
            attr.Target = known->rewritten;
            if (!anchor.empty()) anchor = attr.Target.substr(known->found_size + 1);
        }
        if (known->case_mismatch) Report(attr, kCaseMismatch, msg::kCaseMismatch);
    } else {
        std::u16string decoded_path;
        if (modern && kind == VornFilePath::PathKind::None && t.find(u'%') != t.npos) {
            // A name that really holds the '%' sequence has won above; otherwise the bytes are
            // read as UTF-8 first, then as the Japanese code page.
            const auto page = static_cast<WebText::PageEncoding>(page_encoding);
            for (const WebText::PageEncoding encoding :
                 {WebText::kUtf8, page == WebText::kEucJp ? WebText::kEucJp : WebText::kShiftJis}) {
                std::u16string decoded;
                if (!WebText::PercentDecode(t, encoding, decoded) || decoded == t) continue;
                const VornFilePath::PathKind k = kind_of(decoded);
                if (k != VornFilePath::PathKind::None) {
                    position = -1;
                    decoded_path = std::move(decoded);
                    t = decoded_path;
                    kind = k;
                    break;
                }
            }
        }
        // A directory's path with its separator; its default documents are tried in `candidate`.
        std::u16string directory, candidate;
        default_document = kind == VornFilePath::PathKind::Directory &&
                           !set.DefaultDocument.empty() && !set.DefaultDocument.front().empty();
        switch (kind) {
            case VornFilePath::PathKind::File:
                // The kind ignores trailing backslashes, so 'a.htm\' still names the file.
                if (!t.empty() && t.back() == u'\\') {
                    Report(attr, kTrailingSeparator, msg::kTrailingSeparator);
                    return false;
                }
                is_file = true;
                break;
            case VornFilePath::PathKind::Directory:
                directory.reserve(t.size() + 1);
                directory = t;
                if (directory.empty() || directory.back() != u'\\') directory += u'\\';
                t = directory;
                break;
            default:
                // Below a directory the search could not read, 'missing' would be a guess.
                if (run.Unsearched && VornFileList::InUnsearched(*run.Unsearched, t)) {
                    Report(attr, kInUnsearched, msg::kInUnsearched);
                    return false;
                }
                Report(attr, kTargetMissing, msg::kTargetMissing);
                return false;
        }

        auto position_of = [&](std::u16string_view path) {
            return run.Cache ? run.Cache->FindPath(paths, path) : FindInList(paths, path);
        };
        // A file is its own one candidate, looked up without a copy.
        if (is_file && position < 0) position = position_of(t);
        std::u16string_view found = t;
        if (!is_file) {
            for (const std::u16string& document : set.DefaultDocument) {
                if (document.empty()) break;
                candidate.assign(directory).append(document);
                position = position_of(candidate);
                if (position >= 0) {
                    found = candidate;
                    break;
                }
            }
        }

        if (position < 0) {
            const bool inside_by_name =
                VornFileList::CompareFileNames(
                    std::u16string_view(t).substr(0, set.LocalPath.size()), set.LocalPath) == 0;
            // Below the base directory by name, but through a symbolic link that leads out of it:
            // the search did not enter it, so the target is judged as one outside the base.
            const bool outside_by_link =
                inside_by_name && !platform::Fs().IsWithin(t, set.LocalPath);
            if (outside_by_link && !is_file) {
                for (const std::u16string& document : set.DefaultDocument) {
                    if (document.empty()) break;
                    candidate.assign(directory).append(document);
                    if (kind_of(candidate) == VornFilePath::PathKind::File) {
                        is_file = true;
                        break;
                    }
                }
            }
            if (!is_file) {
                attr.Code = kVerified;
                if (set.AlertDirListing != 0) {
                    Report(attr, kDirectoryListing,
                           std::u16string(msg::kNoDefaultDocument1) +
                               std::u16string(msg::kNoDefaultDocument2));
                }
                if (!anchor.empty()) {
                    Report(attr, kAnchorOnBareDirectory,
                           std::u16string(msg::kAnchorOnBareDirectory1) +
                               std::u16string(msg::kAnchorOnBareDirectory2));
                }
            } else if (run.Unsearched && VornFileList::InUnsearched(*run.Unsearched, t)) {
                Report(attr, kInUnsearched, msg::kInUnsearched);
            } else if (inside_by_name && !outside_by_link) {
                // Inside the base directory, so the search must have left it out on purpose.
                Report(attr, kTargetIgnored, msg::kTargetIgnored);
            } else if (!anchor.empty()) {
                Report(
                    attr, kOutsideWithAnchor,
                    std::u16string(msg::kOutsideBaseDir1) + std::u16string(msg::kOutsideBaseDir2));
            } else {
                attr.Code = kOutsideBaseDir;
            }
            return false;
        }

        target_index = paths[static_cast<std::size_t>(position)].FileIndex;
        if (target_index < 0 || static_cast<std::size_t>(target_index) >= files.size())
            return Failed(attr);

        // The lookup ignores letter case; this is where a difference below the base directory is
        // told. The base directory itself is compared as the user typed it, so it is left out.
        const bool case_mismatch =
            run.Options->FileNameCaseSensitive == 1 &&
            !SameText(After(found, set.LocalPath.size()),
                      After(paths[static_cast<std::size_t>(position)].Path, set.LocalPath.size()));

        // The target becomes the file found with the fragment. Mostly it is that already; otherwise
        // it is written anew, and the fragment is read from there again.
        const std::size_t rewritten = found.size() + (anchor.empty() ? 0 : 1 + anchor.size());
        const std::u16string_view before = attr.Target;
        const bool rewrite =
            before.size() != rewritten || !SameText(before.substr(0, found.size()), found) ||
            (!anchor.empty() &&
             (before[found.size()] != u'#' || !SameText(before.substr(found.size() + 1), anchor)));
        if (rewrite) {
            if (anchor.empty()) {
                attr.Target.assign(found);
            } else {
                attr.Target.assign({found, u"#", anchor});
                anchor = attr.Target.substr(found.size() + 1);
            }
        }
        if (case_mismatch) Report(attr, kCaseMismatch, msg::kCaseMismatch);
        if (known && known->has_kind && !fragment_dropped) {
            known->has_found = true;
            known->target_index = target_index;
            known->default_document = default_document;
            known->case_mismatch = case_mismatch;
            known->found_size = static_cast<std::uint32_t>(found.size());
            if (rewrite) known->rewritten = attr.Target;
        }
    }
    FileEntry& target = files[static_cast<std::size_t>(target_index)];

    if (anchor.empty()) {
        attr.Code = kVerified;
        CountFileLink(run, target, static_cast<std::size_t>(target_index));
        return false;
    }
    if (default_document && !separator_before_hash) {
        Report(attr, kNoSeparatorBeforeHash,
               std::u16string(msg::kNoSeparatorBeforeHash1) +
                   std::u16string(msg::kNoSeparatorBeforeHash2));
    }

    std::u16string_view reason;
    std::int32_t code = 0;
    std::u16string decoded_anchor;
    // The anchors the fragment names, as the target's text has it; remembered with the text
    // where its file follows from the text alone.
    const bool remember_named = known && known->has_kind;
    auto named_as_written = [&]() {
        if (remember_named && known->has_named)
            return Named{known->named_indexed, {known->named, known->named_count}};
        const Named named = FindNamed(run, target_index, anchor);
        if (remember_named) {
            known->has_named = true;
            known->named_indexed = named.indexed;
            known->named = named.positions.data();
            known->named_count = static_cast<std::uint32_t>(named.positions.size());
        }
        return named;
    };
    switch (target.Status) {
        case ScanOk: {
            bool as_written = true;
            if (modern) {
                if (anchor.find(u'%') != anchor.npos &&
                    WebText::PercentDecode(anchor, WebText::kUtf8, decoded_anchor) &&
                    !HasAnchor(run, target_index, anchor, named_as_written()) &&
                    HasAnchor(run, target_index, decoded_anchor,
                              FindNamed(run, target_index, decoded_anchor))) {
                    anchor = decoded_anchor;
                    as_written = false;
                }
                // '#top' is the top of the page unless the page names an anchor so.
                if (IsTop(anchor)) {
                    const Named named =
                        as_written ? named_as_written() : FindNamed(run, target_index, anchor);
                    if (!HasAnchor(run, target_index, anchor, named)) {
                        attr.Code = kVerified;
                        CountFileLink(run, target, static_cast<std::size_t>(target_index));
                        return false;
                    }
                    if (LookupAnchorIn(run, target_index, anchor, attr, &named))
                        return Failed(attr);
                    return false;
                }
            }
            // A failed lookup would leave a Code below 10, which the log reads as never verified.
            const Named named =
                as_written ? named_as_written() : FindNamed(run, target_index, anchor);
            if (LookupAnchorIn(run, target_index, anchor, attr, &named)) return Failed(attr);
            return false;
        }
        case ScanNotHtml:
            code = kTargetNotHtml;
            reason = msg::kNotHtmlTarget;
            break;
        case ScanReadFailed:
            code = kTargetUnreadable;
            reason = msg::kUnreadableTarget;
            break;
        default:
            code = kTargetUnparsable;
            reason = msg::kUnparsableTarget;
            break;
    }
    Report(attr, code,
           std::u16string(reason) + std::u16string(msg::kCannotSearchAnchor) +
               std::u16string(msg::kFileItselfReached));
    return false;
} catch (...) {
    return Failed(attr);
}

void AddLinkCounts(FileTable& files, const LinkCounts& counts) {
    for (std::size_t i = 0; i < counts.Files.size() && i < files.size(); ++i)
        files[i].LinkCount += counts.Files[i];
    if (counts.AnchorStart.empty() || counts.Anchors.empty()) return;
    const std::size_t n = std::min(files.size(), counts.AnchorStart.size() - 1);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t from = counts.AnchorStart[i];
        const std::size_t to =
            std::min<std::size_t>(counts.AnchorStart[i + 1], counts.Anchors.size());
        // Most anchors are never linked: their file is left untouched.
        if (from >= to || std::all_of(counts.Anchors.begin() + static_cast<std::ptrdiff_t>(from),
                                      counts.Anchors.begin() + static_cast<std::ptrdiff_t>(to),
                                      [](std::int32_t c) { return c == 0; }))
            continue;
        std::vector<AnchorEntry>& anchors = files[i].Anchors;
        const std::size_t m = std::min(anchors.size(), to - from);
        for (std::size_t k = 0; k < m; ++k) anchors[k].LinkCount += counts.Anchors[from + k];
    }
}

std::int32_t NormalizeList(std::vector<std::u16string>& list) try {
    std::vector<std::u16string> kept;
    std::unordered_set<std::u16string> seen;
    for (const std::u16string& entry : list) {
        std::u16string trimmed = VornFilePath::TrimBlanksAndQuotes(entry);
        if (trimmed.empty()) continue;
        // The first spelling of a name survives; later ones equal to it once folded go.
        if (!seen.insert(VornFileList::FoldCase(trimmed)).second) continue;
        kept.push_back(std::move(trimmed));
    }
    const auto count = static_cast<std::int32_t>(kept.size());
    if (kept.empty()) kept.emplace_back();
    list = std::move(kept);
    return count;
} catch (...) {
    return -1;
}

}  // namespace HtmlLink
