#pragma once
// The per-file work of the scan stage (ScanAndCheck of RunStages.h) on other cores,
// ahead of the run's loop. The loop still takes the files one at a time and in order between
// its yields, and only a taken file enters the table, so a cancelled run keeps exactly the
// files it had confirmed. Each file's work touches that file's entry alone.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/HtmlLink.h"
#include "settings/Settings.h"

namespace app {

class ScanAhead {
public:
    // Called with each file's finished entry and its index, on the thread that did the file,
    // before the entry moves (its tags stay where they are).
    using Done = std::function<void(HtmlLink::FileEntry&, std::size_t)>;

    // `workers` threads besides the caller's; 0 does everything in Take.
    ScanAhead(const std::vector<std::u16string>& files, const CheckSet& set,
              std::u16string base_url_head, unsigned workers, Done done = nullptr);
    ~ScanAhead();
    ScanAhead(const ScanAhead&) = delete;
    ScanAhead& operator=(const ScanAhead&) = delete;

    // The finished entry of file k; files are taken in order 0, 1, 2, ... A file no worker has
    // started is done here.
    HtmlLink::FileEntry Take(std::size_t k);
    // As Take, for a loop that must keep answering (a window's): the file is left to the
    // workers, and false comes after `wait` when none has finished it yet. Only a file whose
    // worker failed is done here. Needs a worker (Workers() > 0).
    bool TryTake(std::size_t k, HtmlLink::FileEntry& entry, std::chrono::milliseconds wait);
    unsigned Workers() const { return scanners_; }
    // The workers give up the files in hand, which the loop will not take (the destructor does
    // this too): after a stop, a page of hundreds of megabytes would otherwise hold the run.
    void Abandon() noexcept { abandon_ = true; }

    // Threads worth starting on this machine besides the caller's.
    static unsigned DefaultWorkers();

private:
    enum State : unsigned char { kFree, kClaimed, kDone, kFailed };
    void Work();
    void Prefetch();

    const std::vector<std::u16string>& files_;
    const CheckSet& set_;
    const std::u16string base_url_head_;
    const Done done_;
    std::vector<HtmlLink::FileEntry> staged_;
    std::vector<State> state_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;   // the first file nobody has claimed
    std::size_t taken_ = 0;  // the file the loop waits for
    bool stop_ = false;
    std::atomic<bool> abandon_{false};  // seen by the workers' scans (HtmlLink::ThreadStop)
    std::vector<std::thread> workers_;
    unsigned scanners_ = 0;  // the workers that scan; the one that prefetches is not counted

    // How far the workers may run ahead of the loop, so memory stays bounded.
    static constexpr std::size_t kWindow = 64;
    // How far ahead files are asked from the disk, and how many found in memory in a row end
    // the asking (the page cache holds the site; the calls would only cost time).
    static constexpr std::size_t kPrefetchWindow = 1024;
    static constexpr std::size_t kPrefetchWarm = 64;
};

}  // namespace app
