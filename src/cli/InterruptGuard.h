#pragma once

#include <csignal>

namespace tarn {

// Takes SIGINT, SIGTERM and SIGHUP while it lives, so that Ctrl+C or a
// polite kill ends the running command cleanly (playback stopped, partial
// files removed) instead of ending the process mid-write. One at a time.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    bool Interrupted() const;

private:
    static constexpr int kSignalCount = 3;
    struct sigaction previous_[kSignalCount] {};
};

} // namespace tarn
