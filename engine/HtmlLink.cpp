#include "engine/HtmlLink.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>

namespace HtmlLink {

namespace {

// The blocks made or met last in the process, by hash of their text: a text equal to one of
// them shares its block, whichever thread made it (the scan resolves a target that the
// verification, on another thread, writes again). Direct-mapped, so a lookup is one hash, one
// lock of a stripe and one compare, and what it keeps alive after the tables are gone stays
// bounded.
class RecentTexts {
public:
    // Never destroyed: texts of tables in static storage may still be made or dropped at exit.
    static RecentTexts& Get() {
        static RecentTexts* const recent = new RecentTexts;
        return *recent;
    }

    // The block that holds `text`, held once more for the caller.
    TableText::Shared* Share(std::u16string_view text) {
        const std::size_t k = Hash(text) & (kSlots - 1);
        const std::lock_guard<Stripe> lock(stripes_[k % kStripes]);
        TableText::Shared*& slot = slots_[k];
        TableText::Shared* block = slot;
        if (block && block->Size == text.size() &&
            std::memcmp(block->Chars(), text.data(), text.size() * sizeof(char16_t)) == 0) {
            TableText::Hold(block);
            return block;
        }
        void* raw = ::operator new(sizeof(TableText::Shared) + text.size() * sizeof(char16_t));
        // Two holders: the caller and the slot.
        block = new (raw) TableText::Shared{{2}, static_cast<std::uint32_t>(text.size())};
        std::memcpy(block->Chars(), text.data(), text.size() * sizeof(char16_t));
        if (slot) TableText::Drop(slot);
        slot = block;
        return block;
    }

private:
    // Held for a few dozen instructions and rarely wanted by two threads at once, so a spin
    // costs less than a mutex.
    // One cache line each, so threads locking different stripes do not contend for one line.
    class alignas(64) Stripe {
    public:
        void lock() noexcept {
            while (busy_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
        }
        void unlock() noexcept { busy_.clear(std::memory_order_release); }

    private:
        std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
    };

    // Small enough to stay in the processor's cache: a lookup that misses it costs more than
    // the memory a larger table saves.
    static constexpr std::size_t kSlots = std::size_t{1} << 16;
    static constexpr std::size_t kStripes = 64;

    RecentTexts() : slots_(std::make_unique<TableText::Shared*[]>(kSlots)) {}

    // Eight bytes at a time: a miss only costs a block, so speed counts more than spread.
    static std::uint64_t Hash(std::u16string_view text) noexcept {
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        std::size_t n = text.size() * sizeof(char16_t);
        std::uint64_t h = n;
        for (; n >= 8; n -= 8, p += 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            h = (h ^ w) * 0x9E3779B97F4A7C15u;
        }
        if (n) {
            std::uint64_t w = 0;
            std::memcpy(&w, p, n);
            h = (h ^ w) * 0x9E3779B97F4A7C15u;
        }
        return h ^ (h >> 29) ^ (h >> 43);
    }

    std::array<Stripe, kStripes> stripes_;
    std::unique_ptr<TableText::Shared*[]> slots_;
};

}  // namespace

void TableText::Drop(Shared* block) noexcept {
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
    if (text.size() > std::numeric_limits<std::uint32_t>::max() / 2 - sizeof(Shared))
        throw std::length_error("TableText");
    Shared* block = RecentTexts::Get().Share(text);
    std::memcpy(slots_, &block, sizeof block);
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
    reserve(other.size_);
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
        if (other.size_ == 1) {
            new (&one_) AttrEntry(std::move(other.one_));
            other.one_.~AttrEntry();
        } else {
            many_ = nullptr;
        }
    } else {
        many_ = other.many_;
        other.many_ = nullptr;
    }
    size_ = other.size_;
    capacity_ = other.capacity_;
    other.size_ = 0;
    other.capacity_ = 1;
    return *this;
}

void AttrList::Release() noexcept {
    if (Inline()) {
        if (size_ == 1) one_.~AttrEntry();
    } else {
        delete[] many_;
    }
    many_ = nullptr;
    size_ = 0;
    capacity_ = 1;
}

AttrEntry& AttrList::at(std::size_t k) {
    if (k >= size_) throw std::out_of_range("AttrList");
    return data()[k];
}

const AttrEntry& AttrList::at(std::size_t k) const {
    if (k >= size_) throw std::out_of_range("AttrList");
    return data()[k];
}

void AttrList::reserve(std::size_t n) {
    if (n <= capacity_) return;
    if (n > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("AttrList");
    auto* block = new AttrEntry[n];
    for (std::uint32_t k = 0; k < size_; ++k) block[k] = std::move(data()[k]);
    const std::uint32_t kept = size_;
    Release();
    many_ = block;
    size_ = kept;
    capacity_ = static_cast<std::uint32_t>(n);
}

void AttrList::push_back(AttrEntry entry) {
    if (size_ == capacity_) reserve(size_ == 0 ? 1 : std::size_t{capacity_} * 2);
    if (Inline()) {
        new (&one_) AttrEntry(std::move(entry));
    } else {
        many_[size_] = std::move(entry);
    }
    ++size_;
}

void AttrList::resize(std::size_t n) {
    if (n > size_) {
        reserve(n);
        while (size_ < n) push_back(AttrEntry{});
        return;
    }
    if (n == 0) {
        clear();
        return;
    }
    // Dropped slots give back their text now; the block keeps its size.
    for (std::size_t k = n; k < size_; ++k) data()[k] = AttrEntry{};
    size_ = static_cast<std::uint32_t>(n);
}

void AttrList::clear() noexcept { Release(); }

bool AddWarning(WarningList& list, std::int32_t code, std::u16string_view text) noexcept try {
    AppendEntry(list, WarningEntry{code, std::u16string(text)});
    return false;
} catch (...) {
    return true;
}

}  // namespace HtmlLink
