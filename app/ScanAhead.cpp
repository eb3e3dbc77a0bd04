#include "app/ScanAhead.h"

#include "app/RunStages.h"
#include "platform/FileSystem.h"

namespace app {

unsigned ScanAhead::DefaultWorkers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? std::min(cores - 1, 3u) : 0;
}

ScanAhead::ScanAhead(const std::vector<std::u16string>& files, const CheckSet& set,
                     std::u16string base_url_head, unsigned workers, Done done)
    : files_(files),
      set_(set),
      base_url_head_(std::move(base_url_head)),
      done_(std::move(done)),
      staged_(files.size()),
      state_(files.size(), kFree) {
    try {
        for (unsigned i = 0; i < workers && files.size() > 1; ++i) {
            workers_.emplace_back([this] { Work(); });
            ++scanners_;
        }
        // Reading from a cold disk one file at a time waits for each in turn; asked ahead, the
        // disk serves many at once.
        if (files.size() > 1) workers_.emplace_back([this] { Prefetch(); });
    } catch (...) {
        // Without threads the loop does every file itself.
    }
}

ScanAhead::~ScanAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    Abandon();
    changed_.notify_all();
    for (std::thread& t : workers_) t.join();
}

void ScanAhead::Work() {
    HtmlLink::ThreadStop = &abandon_;
    for (;;) {
        std::size_t k;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(
                lock, [&] { return stop_ || next_ >= files_.size() || next_ < taken_ + kWindow; });
            if (stop_ || next_ >= files_.size()) return;
            k = next_++;
            state_[k] = kClaimed;
        }
        HtmlLink::FileEntry entry;
        State done = kDone;
        try {
            ScanAndCheck(entry, files_[k], set_, base_url_head_);
            if (done_) done_(entry, k);
        } catch (...) {
            done = kFailed;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (done == kDone) staged_[k] = std::move(entry);
            state_[k] = done;
        }
        changed_.notify_all();
    }
}

void ScanAhead::Prefetch() {
    platform::FileSystem& fs = platform::Fs();
    std::size_t warm = 0;
    for (std::size_t k = 0; k < files_.size() && warm < kPrefetchWarm; ++k) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || k < taken_ + kPrefetchWindow; });
            if (stop_) return;
        }
        warm = fs.Prefetch(files_[k]) ? warm + 1 : 0;
    }
}

HtmlLink::FileEntry ScanAhead::Take(std::size_t k) {
    std::unique_lock<std::mutex> lock(mutex_);
    taken_ = k;
    changed_.notify_all();
    for (;;) {
        if (state_[k] == kDone) return std::move(staged_[k]);
        // While a worker is on file k, the caller scans the next free one instead of waiting.
        const bool own = state_[k] == kFree || state_[k] == kFailed;
        if (!own && (next_ >= files_.size() || next_ >= taken_ + kWindow)) {
            changed_.wait(lock);
            continue;
        }
        const std::size_t j = own ? k : next_++;
        if (j + 1 > next_) next_ = j + 1;  // claims go in order: an unclaimed k is the next one
        state_[j] = kClaimed;
        lock.unlock();
        HtmlLink::FileEntry entry;
        ScanAndCheck(entry, files_[j], set_, base_url_head_);
        if (done_) done_(entry, j);
        if (j == k) return entry;
        lock.lock();
        staged_[j] = std::move(entry);
        state_[j] = kDone;
    }
}

bool ScanAhead::TryTake(std::size_t k, HtmlLink::FileEntry& entry,
                        std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (taken_ != k) {
        taken_ = k;
        changed_.notify_all();
    }
    if (!changed_.wait_for(lock, wait, [&] { return state_[k] == kDone || state_[k] == kFailed; }))
        return false;
    if (state_[k] == kDone) {
        entry = std::move(staged_[k]);
        return true;
    }
    // Its worker failed (out of memory, say): the file is tried once more, as Take would.
    state_[k] = kClaimed;
    lock.unlock();
    entry = HtmlLink::FileEntry{};
    ScanAndCheck(entry, files_[k], set_, base_url_head_);
    if (done_) done_(entry, k);
    return true;
}

}  // namespace app
