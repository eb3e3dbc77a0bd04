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
#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace HtmlLink {

// Set by a front end that cannot yield inside a file (the command line's Ctrl-C, from a signal
// handler): the scan, the tag checks and the verification give up the file in hand, so the run's
// own stop check comes within a moment even on a page of hundreds of megabytes. A file given up
// in the scan or the tag checks keeps no tags, as one the run never reached.
inline std::atomic<bool> StopRequested{false};

// A stop for the calling thread alone: threads that scan ahead of a run give up the file in
// hand through it once the run no longer wants their files.
inline thread_local const std::atomic<bool>* ThreadStop = nullptr;

// True on every 4096th call once a stop is requested; cheap enough for a loop over links.
inline bool Stopping(std::size_t& calls) noexcept {
    return (++calls & 4095) == 0 && (StopRequested.load(std::memory_order_relaxed) ||
                                     (ThreadStop && ThreadStop->load(std::memory_order_relaxed)));
}

enum ScanStatus : std::int32_t {
    ScanOk = 0,
    ScanNotHtml = 1,
    ScanReadFailed = 2,
    ScanCutFailed = 3,
    ScanUnknownError = 99,
};

class KnownTexts;

// Text of the tables: 8 bytes, up to three characters held inline, longer text in one block of
// exactly its length. A site keeps millions of names, values and targets that never change
// after the scan, and most of them repeat (the same target from many pages), so equal texts
// made one after the other, on any thread, share one block: a copy shares it too, and the block
// goes when its last holder does. Reads go through std::u16string_view, which it converts to
// implicitly.
class TableText {
public:
    static constexpr std::size_t npos = std::u16string_view::npos;

    TableText() noexcept { slots_[0] = kEmpty; }
    TableText(std::u16string_view text) { Set(text); }  // NOLINT: implicit, like a string
    TableText(const char16_t* text) : TableText(std::u16string_view(text)) {}
    TableText(const std::u16string& text) : TableText(std::u16string_view(text)) {}
    TableText(const TableText& other) noexcept {
        std::memcpy(static_cast<void*>(this), &other, sizeof(TableText));
        if (OnHeap()) Hold(Block());
    }
    TableText(TableText&& other) noexcept {
        std::memcpy(static_cast<void*>(this), &other, sizeof(TableText));
        other.slots_[0] = kEmpty;
    }
    TableText& operator=(const TableText& other) noexcept {
        if (this != &other) *this = TableText(other);
        return *this;
    }
    TableText& operator=(TableText&& other) noexcept {
        if (this != &other) {
            Free();
            std::memcpy(static_cast<void*>(this), &other, sizeof(TableText));
            other.slots_[0] = kEmpty;
        }
        return *this;
    }
    ~TableText() { Free(); }

    operator std::u16string_view() const noexcept { return view(); }  // NOLINT
    std::u16string_view view() const noexcept { return {data(), size()}; }
    std::u16string str() const { return std::u16string(view()); }

    const char16_t* data() const noexcept { return OnHeap() ? Block()->Chars() : slots_ + 1; }
    std::size_t size() const noexcept { return OnHeap() ? Block()->Size : slots_[0] >> 1; }
    std::size_t length() const noexcept { return size(); }
    bool empty() const noexcept { return size() == 0; }
    const char16_t* begin() const noexcept { return data(); }
    const char16_t* end() const noexcept { return data() + size(); }
    char16_t operator[](std::size_t k) const noexcept { return data()[k]; }
    char16_t front() const noexcept { return data()[0]; }
    char16_t back() const noexcept { return data()[size() - 1]; }
    std::size_t find(std::u16string_view s, std::size_t pos = 0) const noexcept {
        return view().find(s, pos);
    }
    std::size_t find(char16_t c, std::size_t pos = 0) const noexcept { return view().find(c, pos); }
    std::size_t rfind(char16_t c, std::size_t pos = npos) const noexcept {
        return view().rfind(c, pos);
    }
    bool starts_with(std::u16string_view s) const noexcept { return view().starts_with(s); }
    bool ends_with(std::u16string_view s) const noexcept { return view().ends_with(s); }
    std::u16string_view substr(std::size_t pos, std::size_t n = npos) const {
        return view().substr(pos, n);
    }

    void clear() noexcept {
        Free();
        slots_[0] = kEmpty;
    }
    // The old text stays in place when the new one cannot be stored.
    // Keeping an equal text spares the look-up of a shared block (verification writes back
    // the target it found, which is mostly the one resolved).
    TableText& assign(std::u16string_view text) {
        return view() == text ? *this : *this = TableText(text);
    }
    TableText& assign(std::initializer_list<std::u16string_view> parts);  // joined
    // As assign, but a text of the known set in use shares that set's block: a link to a page
    // of the site shares one block with every other link to it, found without a look among
    // the thread's recent texts.
    TableText& AssignKnown(std::u16string_view text);
    // One text of a batch and where it goes.
    struct Assignment {
        TableText* target;
        std::u16string_view text;
    };
    // Assigns each text to its target as AssignKnown (`known`) or assign would, one after the
    // other, sharing the same blocks. The tables are large and each look-up waits for memory,
    // so the slots and blocks of neighbouring texts are fetched together first. No text may lie
    // in a target of the batch.
    static void AssignEach(std::span<const Assignment> batch, bool known);
    // The set AssignKnown looks in from now on, on every thread; null for none. Set before the
    // threads that use it start and cleared after they end; it must outlive its use.
    static void UseKnownTexts(const KnownTexts* known) noexcept;
    TableText& operator+=(std::u16string_view more);
    TableText& operator+=(char16_t c) { return *this += std::u16string_view(&c, 1); }

    friend bool operator==(const TableText& a, std::u16string_view b) noexcept {
        return a.view() == b;
    }

    // Whether two texts share one block (for tests of the sharing).
    bool SharesWith(const TableText& other) const noexcept {
        return OnHeap() && other.OnHeap() && Block() == other.Block();
    }

    // A shared block: its holders, its length, then the characters.
    struct Shared {
        std::atomic<std::uint32_t> Holders;
        std::uint32_t Size;
        char16_t* Chars() noexcept { return reinterpret_cast<char16_t*>(this + 1); }
    };
    // Holders of a block that lives as long as the program, which nobody counts.
    static constexpr std::uint32_t kPermanent = std::uint32_t{1} << 31;
    static void Hold(Shared* block) noexcept {
        if (block->Holders.load(std::memory_order_relaxed) < kPermanent)
            block->Holders.fetch_add(1, std::memory_order_relaxed);
    }
    static void Drop(Shared* block) noexcept;
    // The shared block of a text that has one; null for an inline text.
    Shared* BlockOrNull() const noexcept { return OnHeap() ? Block() : nullptr; }

    // Sizes the tables of recent texts that threads use from now on for a site of `files`
    // files: a big site has more distinct texts to share, a small one should not pay for them.
    static void SizeRecentTexts(std::size_t files) noexcept;
    // Lets go of this thread's table of recent texts (up to megabytes for a big site) once it
    // has made the texts of a run; texts made later start a new one.
    static void ReleaseRecentTexts() noexcept;

private:
    static constexpr std::size_t kInline = 3;
    static constexpr char16_t kEmpty = 1;  // inline, no characters

    bool OnHeap() const noexcept { return (slots_[0] & 1) == 0; }
    Shared* Block() const noexcept {
        Shared* p;
        std::memcpy(&p, slots_, sizeof p);
        return p;
    }
    void Set(std::u16string_view text);
    // Set for a text too long to be held inline, whose TextHash is `hash`.
    void SetShared(std::u16string_view text, std::uint64_t hash);
    // AssignKnown of such a text, looking in `known` when not null.
    TableText& AssignHashed(std::u16string_view text, std::uint64_t hash, const KnownTexts* known);
    void Free() noexcept {
        if (OnHeap()) Drop(Block());
    }

    // Inline: twice the count plus one in the first slot, then the characters. Shared: the
    // block's address, which is even, so that the first slot's lowest bit tells the two apart
    // (on a little-endian machine, where that slot holds the address's lowest byte).
    alignas(Shared*) char16_t slots_[kInline + 1];
    static_assert(std::endian::native == std::endian::little);
};

// A fixed set of texts that links name again and again (the found files' paths), each held in
// one block. Read-only once made, so any number of threads may look in it.
class KnownTexts {
public:
    explicit KnownTexts(const std::vector<std::u16string>& texts);
    // The set's text equal to `text`, or null.
    const TableText* Find(std::u16string_view text) const noexcept;

private:
    friend class TableText;
    // Open addressing, at most half full; a slot keeps the text's hash so that a probe reads
    // the text only when the hashes agree, and its block so that a link's look-up reads no
    // more than the slot and the block.
    struct Slot {
        std::uint32_t Hash = 0;
        std::uint32_t Entry = 0;  // index in texts_ plus one; 0 free
        TableText::Shared* Block = nullptr;
    };
    const Slot* FindSlot(std::u16string_view text, std::uint64_t hash) const noexcept;
    // The block of the set's text equal to `text`, whose TextHash is `hash`, found without
    // reading the set's list of texts; null when there is none.
    TableText::Shared* FindBlock(std::u16string_view text, std::uint64_t hash) const noexcept;
    const Slot& FirstSlot(std::uint64_t hash) const noexcept {
        return slots_[hash & (slots_.size() - 1)];
    }
    std::vector<TableText> texts_;
    std::vector<Slot> slots_;
};

inline std::u16string operator+(std::u16string_view a, const TableText& b) {
    std::u16string s(a);
    s += b.view();
    return s;
}
inline std::u16string operator+(const TableText& a, char16_t b) {
    std::u16string s(a.view());
    s += b;
    return s;
}
inline std::u16string operator+(char16_t a, const TableText& b) {
    std::u16string s(1, a);
    s += b.view();
    return s;
}
inline std::u16string operator+(const TableText& a, std::u16string_view b) {
    std::u16string s(a.view());
    s += b;
    return s;
}

// The texts repeat (most are fixed messages), so they share their blocks like the tables' texts.
struct WarningEntry {
    std::int32_t Code = 0;
    TableText Text;
};

// The reads of a vector over a list that gives data() and size().
template <class List, class Entry>
class ListReads {
public:
    using value_type = Entry;
    using iterator = Entry*;
    using const_iterator = const Entry*;

    bool empty() const noexcept { return Self().size() == 0; }
    Entry* begin() noexcept { return Self().data(); }
    Entry* end() noexcept { return Self().data() + Self().size(); }
    const Entry* begin() const noexcept { return Self().data(); }
    const Entry* end() const noexcept { return Self().data() + Self().size(); }
    Entry& operator[](std::size_t k) noexcept { return Self().data()[k]; }
    const Entry& operator[](std::size_t k) const noexcept { return Self().data()[k]; }
    Entry& front() noexcept { return Self().data()[0]; }
    const Entry& front() const noexcept { return Self().data()[0]; }
    Entry& back() noexcept { return Self().data()[Self().size() - 1]; }
    const Entry& back() const noexcept { return Self().data()[Self().size() - 1]; }

private:
    List& Self() noexcept { return static_cast<List&>(*this); }
    const List& Self() const noexcept { return static_cast<const List&>(*this); }
};

// A list of warnings as one pointer: almost every entry has none, so the list is allocated only
// when the first warning arrives.
class WarningList : public ListReads<WarningList, WarningEntry> {
public:
    WarningList() noexcept = default;
    WarningList(std::initializer_list<WarningEntry> entries)
        : list_(entries.size() ? std::make_unique<std::vector<WarningEntry>>(entries) : nullptr) {}
    WarningList(const WarningList& other)
        : list_(other.list_ ? std::make_unique<std::vector<WarningEntry>>(*other.list_) : nullptr) {
    }
    WarningList(WarningList&&) noexcept = default;
    WarningList& operator=(const WarningList& other) {
        if (this != &other) *this = WarningList(other);
        return *this;
    }
    WarningList& operator=(WarningList&&) noexcept = default;

    std::size_t size() const noexcept { return list_ ? list_->size() : 0; }
    WarningEntry* data() noexcept { return list_ ? list_->data() : nullptr; }
    const WarningEntry* data() const noexcept { return list_ ? list_->data() : nullptr; }

    void push_back(WarningEntry entry) {
        if (!list_) list_ = std::make_unique<std::vector<WarningEntry>>();
        list_->push_back(std::move(entry));
    }
    WarningEntry* erase(WarningEntry* first, WarningEntry* last) {
        if (first == last) return first;
        const std::ptrdiff_t at = first - begin();
        list_->erase(list_->begin() + at, list_->begin() + (last - begin()));
        return begin() + at;
    }
    void clear() noexcept { list_.reset(); }

private:
    std::unique_ptr<std::vector<WarningEntry>> list_;
};

struct AttrEntry {
    TableText Name;   // as written
    TableText Value;  // as written after '=' and blanks, quotes included
    TableText Target;
    // The line on which the value begins; the attribute's own line is its tag's.
    std::int32_t ValueLine = 0;
    std::int32_t Code = 0;
    WarningList Warnings;
};

// The attributes of one tag. Almost every kept tag has one, held inside the list; more move to
// one block of exactly the size reserved (the scan knows the count before it adds them), which
// keeps its capacity in front of the entries, so that the list adds only its count to the tag.
class AttrList : public ListReads<AttrList, AttrEntry> {
public:
    AttrList() noexcept : many_(nullptr) {}
    AttrList(const AttrList& other);
    AttrList(AttrList&& other) noexcept;
    AttrList& operator=(const AttrList& other);
    AttrList& operator=(AttrList&& other) noexcept;
    ~AttrList() { Release(); }

    std::size_t size() const noexcept { return count_ & ~kOnHeap; }
    // 1 while the list is held inline.
    std::size_t capacity() const noexcept { return Inline() ? 1 : Capacity(many_); }
    AttrEntry* data() noexcept { return Inline() ? &one_ : many_; }
    const AttrEntry* data() const noexcept { return Inline() ? &one_ : many_; }
    AttrEntry& at(std::size_t k);
    const AttrEntry& at(std::size_t k) const;

    void reserve(std::size_t n);
    void push_back(AttrEntry entry);
    // Shorter: the entries past n are dropped. Longer: empty entries are added.
    void resize(std::size_t n);
    void clear() noexcept;

private:
    // Inline, the list holds its one slot in place (constructed or not, by its count);
    // on the heap, many_ points at capacity slots, all constructed, behind the capacity.
    static constexpr std::uint32_t kOnHeap = std::uint32_t{1} << 31;
    bool Inline() const noexcept { return (count_ & kOnHeap) == 0; }
    static std::size_t Capacity(const AttrEntry* many) noexcept {
        std::uint64_t n;
        std::memcpy(&n, reinterpret_cast<const char*>(many) - sizeof n, sizeof n);
        return static_cast<std::size_t>(n);
    }
    void SetSize(std::size_t n) noexcept {
        count_ = static_cast<std::uint32_t>(n) | (count_ & kOnHeap);
    }
    void Release() noexcept;

    union {
        AttrEntry one_;
        AttrEntry* many_;
    };
    std::uint32_t count_ = 0;  // the size, with kOnHeap
};

struct TagEntry {
    TableText Name;  // as written, without '<' and the '/' of an end tag
    // The list's padding after its count holds the line.
    [[no_unique_address]] AttrList Attrs;
    std::int32_t Line = 0;
    WarningList Warnings;
    std::int32_t Code = 0;
    std::int16_t DefIndex = -1;  // index in LinkTags; -1 for a tag kept for its id
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
template <class List>
typename List::value_type& AppendEntry(List& list, typename List::value_type entry) {
    if (!list.empty() && !InUse(list.back())) {
        list.back() = std::move(entry);
    } else {
        list.push_back(std::move(entry));
    }
    return list.back();
}

// Number of entries before the first free slot (what every pass walks).
template <class List>
std::size_t UsedCount(const List& list) {
    std::size_t n = 0;
    while (n < list.size() && InUse(list[n])) ++n;
    return n;
}

// Appends one warning. Returns true on failure (the list is then unchanged); callers ignore it.
bool AddWarning(WarningList& list, std::int32_t code, std::u16string_view text) noexcept;

}  // namespace HtmlLink
