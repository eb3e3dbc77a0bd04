#include "engine/HtmlLink.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

namespace HtmlLink {

namespace {

// Eight bytes at a time: a miss only costs a block, so speed counts more than spread.
std::uint64_t TextHash(std::u16string_view text) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t n = text.size() * sizeof(char16_t);
    std::uint64_t h = n;
    for (; n >= 8; n -= 8, p += 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ w) * 0x9E3779B97F4A7C15u;
    }
    if (n) {
        // The last one to three characters, as the bytes of a word would hold them, without a
        // copy of variable length.
        std::uint64_t w = 0;
        for (std::size_t k = 0; k < n; k += 2) {
            std::uint16_t c;
            std::memcpy(&c, p + k, 2);
            w |= std::uint64_t{c} << (8 * k);
        }
        h = (h ^ w) * 0x9E3779B97F4A7C15u;
    }
    return h ^ (h >> 29) ^ (h >> 43);
}

std::atomic<const KnownTexts*> known_texts{nullptr};

// The names of the tags and attributes that carry links, as pages mostly write them. Nearly
// every kept tag holds one, on every scanning thread at once, so a shared block of their own
// would have its count moved between processors at every link; these blocks are made once,
// live as long as the program and count nobody.
class PermanentNames {
public:
    static constexpr std::size_t kMaxSize = 10;

    static const PermanentNames& Get() {
        static const PermanentNames names;
        return names;
    }

    // The block holding `text`, or null; `hash` is TextHash(text).
    TableText::Shared* Find(std::u16string_view text, std::uint64_t hash) const noexcept {
        if (text.size() > kMaxSize) return nullptr;
        for (std::size_t k = hash & (kSlots - 1); TableText::Shared* block = slot_[k];
             k = (k + 1) & (kSlots - 1)) {
            if (block->Size == text.size() &&
                std::memcmp(block->Chars(), text.data(), text.size() * sizeof(char16_t)) == 0)
                return block;
        }
        return nullptr;
    }

private:
    static constexpr std::size_t kSlots = 128;

    PermanentNames() {
        static constexpr std::u16string_view kNames[] = {
            u"href",       u"name",       u"code",   u"area",       u"base",    u"bgsound",
            u"body",       u"background", u"embed",  u"form",       u"action",  u"frame",
            u"iframe",     u"ilayer",     u"layer",  u"lowsrc",     u"link",    u"meta",
            u"content",    u"object",     u"data",   u"script",     u"style",   u"table",
            u"applet",     u"srcset",     u"source", u"video",      u"audio",   u"track",
            u"poster",     u"input",      u"button", u"formaction", u"picture", u"image",
            u"blockquote", u"cite",       u"usemap", u"longdesc",   u"manifest"};
        for (const std::u16string_view name : kNames) {
            if (name.size() > kMaxSize) continue;
            std::size_t k = TextHash(name) & (kSlots - 1);
            while (slot_[k]) k = (k + 1) & (kSlots - 1);  // at most a third full
            TableText::Shared*& slot = slot_[k];
            void* raw = ::operator new(sizeof(TableText::Shared) + name.size() * sizeof(char16_t));
            slot = new (raw)
                TableText::Shared{{TableText::kPermanent}, static_cast<std::uint32_t>(name.size())};
            std::memcpy(slot->Chars(), name.data(), name.size() * sizeof(char16_t));
        }
    }

    TableText::Shared* slot_[kSlots] = {};
};

// The blocks this thread made or met last, by hash of their text: a text equal to one of them
// shares its block. Direct-mapped, so a lookup is one hash and one compare; one table per
// thread, so it needs no lock and no line of it moves between processors (a shared table cost
// more time than the memory it saved). Sized for the site (SizeRecentTexts): a big site's
// distinct targets must fit to be shared, a small site's table stays in the processor's cache.
class RecentTexts {
public:
    // This thread's table; null once the thread is ending, when texts are still dropped but
    // new ones simply get blocks of their own.
    static RecentTexts* Get() {
        RecentTexts*& recent = ThisThread();
        thread_local bool gone = false;
        // A table of another size was made for an earlier site; its texts keep their blocks.
        if (recent && recent->slots_ != Wanted().load(std::memory_order_relaxed)) {
            delete recent;
            recent = nullptr;
        }
        if (!recent && !gone) {
            struct Owner {
                RecentTexts*& table;
                bool& ended;
                ~Owner() {
                    delete table;
                    table = nullptr;
                    ended = true;
                }
            };
            recent = new RecentTexts;
            thread_local Owner owner{recent, gone};
        }
        return recent;
    }

    // Lets this thread's table go; the next text the thread makes starts a new one.
    static void Release() noexcept {
        delete ThisThread();
        ThisThread() = nullptr;
    }

    ~RecentTexts() {
        for (std::size_t k = 0; k < slots_; ++k)
            if (slot_[k]) TableText::Drop(slot_[k]);
        std::free(slot_);
    }

    // The number of slots of the tables made from now on.
    static std::atomic<std::size_t>& Wanted() {
        static std::atomic<std::size_t> wanted{kMinSlots};
        return wanted;
    }
    static constexpr std::size_t kMinSlots = std::size_t{1} << 16;
    static constexpr std::size_t kMaxSlots = std::size_t{1} << 20;

    // The block that holds `text`, held once more for the caller; `hash` is TextHash(text).
    TableText::Shared* Share(std::u16string_view text, std::uint64_t hash) {
        TableText::Shared*& slot = slot_[hash & (slots_ - 1)];
        TableText::Shared* block = slot;
        if (block && block->Size == text.size() &&
            std::memcmp(block->Chars(), text.data(), text.size() * sizeof(char16_t)) == 0) {
            TableText::Hold(block);
            return block;
        }
        block = Make(text, 2);  // the caller and the slot
        if (slot) TableText::Drop(slot);
        slot = block;
        return block;
    }

    // Fetches ahead the slot of a text with this hash, and then the block it holds.
    void Prefetch(std::uint64_t hash) const noexcept {
        __builtin_prefetch(&slot_[hash & (slots_ - 1)], 1);
    }
    void PrefetchBlock(std::uint64_t hash) const noexcept {
        if (TableText::Shared* block = slot_[hash & (slots_ - 1)]) __builtin_prefetch(block, 1);
    }

    static TableText::Shared* Make(std::u16string_view text, std::uint32_t holders) {
        void* raw = ::operator new(sizeof(TableText::Shared) + text.size() * sizeof(char16_t));
        auto* block =
            new (raw) TableText::Shared{{holders}, static_cast<std::uint32_t>(text.size())};
        std::memcpy(block->Chars(), text.data(), text.size() * sizeof(char16_t));
        return block;
    }

private:
    static RecentTexts*& ThisThread() noexcept {
        thread_local RecentTexts* recent = nullptr;
        return recent;
    }

    // Zeroed by calloc: a big table's pages are only touched as its slots fill.
    RecentTexts()
        : slots_(Wanted().load(std::memory_order_relaxed)),
          slot_(static_cast<TableText::Shared**>(std::calloc(slots_, sizeof(TableText::Shared*)))) {
        if (!slot_) throw std::bad_alloc();
    }

    const std::size_t slots_;  // a power of two
    TableText::Shared** slot_;
};

}  // namespace

void TableText::SizeRecentTexts(std::size_t files) noexcept {
    // Sixteen slots a file: measured on generated sites of 10,000 and 100,000 pages, where a
    // table too small for the site's distinct targets stores each one many times.
    const std::size_t want = files > RecentTexts::kMaxSlots / 16
                                 ? RecentTexts::kMaxSlots
                                 : std::max(RecentTexts::kMinSlots, std::bit_ceil(files * 16));
    RecentTexts::Wanted().store(want, std::memory_order_relaxed);
}

void TableText::ReleaseRecentTexts() noexcept { RecentTexts::Release(); }

void TableText::Drop(Shared* block) noexcept {
    if (block->Holders.load(std::memory_order_relaxed) >= kPermanent) return;
    if (block->Holders.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        block->~Shared();
        ::operator delete(block);
    }
}

void TableText::Set(std::u16string_view text) {
    if (text.size() <= kInline) {
        if (!text.empty()) std::memcpy(slots_ + 1, text.data(), text.size() * sizeof(char16_t));
        slots_[0] = static_cast<char16_t>(text.size() * 2 + 1);
        return;
    }
    SetShared(text, TextHash(text));
}

void TableText::SetShared(std::u16string_view text, std::uint64_t hash) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max() / 2 - sizeof(Shared))
        throw std::length_error("TableText");
    Shared* block = PermanentNames::Get().Find(text, hash);
    if (!block) {
        RecentTexts* recent = RecentTexts::Get();
        block = recent ? recent->Share(text, hash) : RecentTexts::Make(text, 1);
    }
    std::memcpy(slots_, &block, sizeof block);
}

void TableText::UseKnownTexts(const KnownTexts* known) noexcept {
    known_texts.store(known, std::memory_order_release);
}

TableText& TableText::AssignKnown(std::u16string_view text) {
    if (text.size() <= kInline) return assign(text);
    return AssignHashed(text, TextHash(text), known_texts.load(std::memory_order_acquire));
}

TableText& TableText::AssignHashed(std::u16string_view text, std::uint64_t hash,
                                   const KnownTexts* known) {
    if (known) {
        if (Shared* block = known->FindBlock(text, hash)) {
            Hold(block);
            Free();
            std::memcpy(slots_, &block, sizeof block);
            return *this;
        }
    }
    if (view() == text) return *this;
    TableText made;
    made.SetShared(text, hash);
    return *this = std::move(made);
}

void TableText::AssignEach(std::span<const Assignment> batch, bool known) {
    const KnownTexts* known_set = known ? known_texts.load(std::memory_order_acquire) : nullptr;
    RecentTexts* recent = RecentTexts::Get();
    // Enough reads under way at once to hide the memory's latency, few enough to stay in the
    // processor's queue of misses.
    constexpr std::size_t kGroup = 16;
    std::uint64_t hashes[kGroup];
    for (std::size_t start = 0; start < batch.size(); start += kGroup) {
        const std::span<const Assignment> group =
            batch.subspan(start, std::min(kGroup, batch.size() - start));
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (group[i].text.size() <= kInline) continue;
            hashes[i] = TextHash(group[i].text);
            if (known_set) __builtin_prefetch(&known_set->FirstSlot(hashes[i]));
            if (recent) recent->Prefetch(hashes[i]);
        }
        // The block each slot holds: the text's own when the hashes agree, or the one it will
        // replace, which it lets go.
        for (std::size_t i = 0; i < group.size(); ++i) {
            if (group[i].text.size() <= kInline) continue;
            if (known_set) {
                const KnownTexts::Slot& slot = known_set->FirstSlot(hashes[i]);
                if (slot.Entry != 0 && slot.Hash == static_cast<std::uint32_t>(hashes[i] >> 32)) {
                    __builtin_prefetch(slot.Block, 1);
                    continue;
                }
            }
            if (recent) recent->PrefetchBlock(hashes[i]);
        }
        for (std::size_t i = 0; i < group.size(); ++i) {
            TableText& target = *group[i].target;
            if (group[i].text.size() <= kInline)
                target.assign(group[i].text);
            else
                target.AssignHashed(group[i].text, hashes[i], known_set);
        }
    }
}

KnownTexts::KnownTexts(const std::vector<std::u16string>& texts) {
    if (texts.size() >= std::numeric_limits<std::uint32_t>::max() / 4)
        throw std::length_error("KnownTexts");
    texts_.reserve(texts.size());
    slots_.resize(std::bit_ceil(std::max<std::size_t>(texts.size() * 2, 16)));
    const std::size_t mask = slots_.size() - 1;
    for (const std::u16string& text : texts) {
        if (text.size() <= 3 || Find(text)) continue;  // inline texts share nothing
        const std::uint64_t h = TextHash(text);
        std::size_t k = h & mask;
        while (slots_[k].Entry != 0) k = (k + 1) & mask;
        texts_.emplace_back(text);
        slots_[k] = {static_cast<std::uint32_t>(h >> 32), static_cast<std::uint32_t>(texts_.size()),
                     texts_.back().BlockOrNull()};
    }
}

const KnownTexts::Slot* KnownTexts::FindSlot(std::u16string_view text,
                                             std::uint64_t h) const noexcept {
    const auto tag = static_cast<std::uint32_t>(h >> 32);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = h & mask; slots_[k].Entry != 0; k = (k + 1) & mask) {
        const Slot& slot = slots_[k];
        if (slot.Hash == tag && slot.Block->Size == text.size() &&
            std::memcmp(slot.Block->Chars(), text.data(), text.size() * sizeof(char16_t)) == 0)
            return &slot;
    }
    return nullptr;
}

const TableText* KnownTexts::Find(std::u16string_view text) const noexcept {
    const Slot* slot = FindSlot(text, TextHash(text));
    return slot ? &texts_[slot->Entry - 1] : nullptr;
}

TableText::Shared* KnownTexts::FindBlock(std::u16string_view text,
                                         std::uint64_t hash) const noexcept {
    const Slot* slot = FindSlot(text, hash);
    return slot ? slot->Block : nullptr;
}

TableText& TableText::assign(std::initializer_list<std::u16string_view> parts) {
    // Joined in a buffer the thread keeps, so that joining allocates nothing but the block.
    static thread_local std::u16string joined;
    joined.clear();
    for (std::u16string_view part : parts) joined += part;
    return assign(std::u16string_view(joined));
}

TableText& TableText::operator+=(std::u16string_view more) {
    if (more.empty()) return *this;
    return assign({view(), more});
}

AttrList::AttrList(const AttrList& other) : AttrList() {
    reserve(other.size());
    for (const AttrEntry& e : other) push_back(e);
}

AttrList::AttrList(AttrList&& other) noexcept : AttrList() { *this = std::move(other); }

AttrList& AttrList::operator=(const AttrList& other) {
    if (this != &other) *this = AttrList(other);
    return *this;
}

AttrList& AttrList::operator=(AttrList&& other) noexcept {
    if (this == &other) return *this;
    Release();
    if (other.Inline()) {
        if (other.count_ == 1) {
            new (&one_) AttrEntry(std::move(other.one_));
            other.one_.~AttrEntry();
        } else {
            many_ = nullptr;
        }
    } else {
        many_ = other.many_;
        other.many_ = nullptr;
    }
    count_ = other.count_;
    other.count_ = 0;
    return *this;
}

void AttrList::Release() noexcept {
    if (Inline()) {
        if (count_ == 1) one_.~AttrEntry();
    } else {
        const std::size_t n = Capacity(many_);
        for (std::size_t k = 0; k < n; ++k) many_[k].~AttrEntry();
        ::operator delete(reinterpret_cast<char*>(many_) - sizeof(std::uint64_t));
    }
    many_ = nullptr;
    count_ = 0;
}

AttrEntry& AttrList::at(std::size_t k) {
    if (k >= size()) throw std::out_of_range("AttrList");
    return data()[k];
}

const AttrEntry& AttrList::at(std::size_t k) const {
    if (k >= size()) throw std::out_of_range("AttrList");
    return data()[k];
}

void AttrList::reserve(std::size_t n) {
    if (n <= capacity()) return;
    if (n >= kOnHeap) throw std::length_error("AttrList");
    static_assert(alignof(AttrEntry) <= sizeof(std::uint64_t));
    char* raw = static_cast<char*>(::operator new(sizeof(std::uint64_t) + n * sizeof(AttrEntry)));
    const std::uint64_t capacity = n;
    std::memcpy(raw, &capacity, sizeof capacity);
    auto* block = reinterpret_cast<AttrEntry*>(raw + sizeof capacity);
    // Entries are noexcept to make and to move.
    for (std::size_t k = 0; k < n; ++k) new (block + k) AttrEntry();
    const std::size_t kept = size();
    for (std::size_t k = 0; k < kept; ++k) block[k] = std::move(data()[k]);
    Release();
    many_ = block;
    count_ = static_cast<std::uint32_t>(kept) | kOnHeap;
}

void AttrList::push_back(AttrEntry entry) {
    const std::size_t n = size();
    if (n == capacity()) reserve(n == 0 ? 1 : n * 2);
    if (Inline()) {
        new (&one_) AttrEntry(std::move(entry));
    } else {
        many_[n] = std::move(entry);
    }
    SetSize(n + 1);
}

void AttrList::resize(std::size_t n) {
    if (n > size()) {
        reserve(n);
        while (size() < n) push_back(AttrEntry{});
        return;
    }
    if (n == 0) {
        clear();
        return;
    }
    // Dropped slots give back their text now; the block keeps its size.
    for (std::size_t k = n; k < size(); ++k) data()[k] = AttrEntry{};
    SetSize(n);
}

void AttrList::clear() noexcept { Release(); }

bool AddWarning(WarningList& list, std::int32_t code, std::u16string_view text) noexcept try {
    AppendEntry(list, WarningEntry{code, TableText(text)});
    return false;
} catch (...) {
    return true;
}

}  // namespace HtmlLink
