#pragma once
// Work cut into parts that threads take in turn; the results are put together in the parts'
// order by the caller, so they never depend on timing.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace parallel {

// `requested`, or one thread per core when it is 0; at least 1.
inline unsigned ThreadCount(unsigned requested) {
    return requested != 0 ? requested : std::max(1u, std::thread::hardware_concurrency());
}

// Positions that cut `count` entries into at most `parts` runs of about equal weight: the first
// 0, the last `count`, rising (one empty run when count is 0). weight(k) is the k-th's work.
template <class Weight>
std::vector<std::size_t> Cuts(std::size_t count, std::size_t parts, const Weight& weight) {
    std::size_t total = 0;
    for (std::size_t k = 0; k < count; ++k) total += weight(k);
    std::vector<std::size_t> cuts{0};
    std::size_t sum = 0;
    for (std::size_t k = 0; k < count; ++k) {
        sum += weight(k);
        if (cuts.size() < parts && sum * parts >= total * cuts.size()) cuts.push_back(k + 1);
    }
    if (cuts.size() == 1 || cuts.back() != count) cuts.push_back(count);
    return cuts;
}

// Calls work(k) once for every k below `jobs`, on up to `threads` threads, the calling one
// among them, which first calls `first`. Neither may throw. A thread that cannot be started
// leaves its share to the others.
template <class Work, class First>
void OnThreads(std::size_t jobs, unsigned threads, const Work& work, const First& first) {
    std::atomic<std::size_t> next{0};
    const auto take = [&] {
        for (std::size_t k = next++; k < jobs; k = next++) work(k);
    };
    std::vector<std::thread> helpers;
    try {
        const std::size_t wanted = std::min<std::size_t>(threads, jobs);
        helpers.reserve(wanted > 0 ? wanted - 1 : 0);
        while (helpers.size() + 1 < wanted) helpers.emplace_back(take);
    } catch (...) {
    }
    first();
    take();
    for (std::thread& h : helpers) h.join();
}

template <class Work>
void OnThreads(std::size_t jobs, unsigned threads, const Work& work) {
    OnThreads(jobs, threads, work, [] {});
}

}  // namespace parallel
