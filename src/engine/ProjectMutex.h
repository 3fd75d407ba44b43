#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace tarn {

// The project lock: recursive, as edits call edits, and able to tell
// whether the calling thread holds it, so that what it guards can check
// its callers in debug builds. Any thread. Copy under the lock, work
// outside it (see CurrentProject): the audio thread waits for every holder.
class ProjectMutex {
public:
    void lock() {
        lock_.lock();
        Enter();
    }
    bool try_lock() {
        if (!lock_.try_lock()) {
            return false;
        }
        Enter();
        return true;
    }
    void unlock() {
        if (--depth_ == 0) {
            owner_.store(std::thread::id(), std::memory_order_relaxed);
        }
        lock_.unlock();
    }

    bool HeldHere() const {
        return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }

private:
    void Enter() {
        // Only the holder writes these, and only while it holds the lock.
        if (depth_++ == 0) {
            owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
        }
    }

    std::recursive_mutex lock_;
    std::atomic<std::thread::id> owner_;
    int depth_ = 0;
};

} // namespace tarn
