#pragma once
// Makes one allocation throw std::bad_alloc, to test that a failure part way through a procedure
// gives its failure result and no exception. The core tests' operator new counts allocations
// from every thread while one of these is alive.
#include <cstdint>

namespace testutil {

class FailingAllocation {
public:
    // The n-th allocation from now on (1: the next one) fails.
    explicit FailingAllocation(std::int64_t n);
    ~FailingAllocation();
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;

    // Whether the allocation was reached and failed.
    bool Failed() const;
};

}  // namespace testutil
