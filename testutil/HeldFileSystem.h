#pragma once
// A file system over another that can hold the run's listings, reads of listed files and
// writes until the test lets them go, to show what a front end sees while a step waits on the disk. A held call waits at
// most ten seconds; one that had to give up is counted, so a test fails instead of hanging.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "testutil/ForwardingFileSystem.h"

namespace testutil {

class HeldFileSystem : public ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;

    // What to hold from now on; each held call waits for one Resume.
    void Hold(bool listings, bool writes, bool reads = false) {
        std::lock_guard<std::mutex> lock(mutex_);
        hold_list_ = listings;
        hold_write_ = writes;
        hold_read_ = reads;
    }
    // Lets one waiting call go on; false when none waits.
    bool Resume() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (waiting_ == 0) return false;
            ++resumed_;
        }
        changed_.notify_all();
        return true;
    }
    // Held calls waiting now.
    int Waiting() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return waiting_;
    }
    int GaveUp() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return gave_up_;
    }

    platform::ListResult List(std::u16string_view listing, std::uint8_t mask,
                              std::vector<platform::DirEntry>& out) override {
        Wait(&HeldFileSystem::hold_list_);
        return inner_.List(listing, mask, out);
    }
    bool ReadListedFile(std::u16string_view path, std::string& out) override {
        Wait(&HeldFileSystem::hold_read_);
        return inner_.ReadListedFile(path, out);
    }
    bool WriteFile(std::u16string_view path, std::string_view bytes, bool append) override {
        Wait(&HeldFileSystem::hold_write_);
        return inner_.WriteFile(path, bytes, append);
    }

private:
    void Wait(bool HeldFileSystem::*held) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!(this->*held)) return;
        ++waiting_;
        const int ticket = resumed_;
        if (!changed_.wait_for(lock, std::chrono::seconds(10),
                               [&] { return resumed_ > ticket; }))
            ++gave_up_;
        --waiting_;
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool hold_list_ = false;
    bool hold_write_ = false;
    bool hold_read_ = false;
    int waiting_ = 0;
    int resumed_ = 0;
    int gave_up_ = 0;
};

}  // namespace testutil
