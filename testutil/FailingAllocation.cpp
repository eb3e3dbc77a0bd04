#include "testutil/FailingAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Allocations left before the one that fails; negative when none is to fail.
std::atomic<std::int64_t> left{-1};
std::atomic<bool> failed{false};

void* Allocate(std::size_t size) {
    if (left.load(std::memory_order_relaxed) >= 0 &&
        left.fetch_sub(1, std::memory_order_relaxed) == 1) {
        failed.store(true);
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

}  // namespace

// Every form that pairs with the plain delete is replaced, so that none of them mixes with the
// library's own (which a sanitizer tells apart from malloc).
void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept try {
    return Allocate(size);
} catch (...) {
    return nullptr;
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept try {
    return Allocate(size);
} catch (...) {
    return nullptr;
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace testutil {

FailingAllocation::FailingAllocation(std::int64_t n) {
    failed.store(false);
    left.store(n);
}

FailingAllocation::~FailingAllocation() { left.store(-1); }

bool FailingAllocation::Failed() const { return failed.load(); }

}  // namespace testutil
