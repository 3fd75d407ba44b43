#include "cli/InterruptGuard.h"

#include <atomic>

namespace tarn {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The signal may arrive on any of the process's threads while another one
// asks; a lock-free atomic is safe in the handler and seen across threads.
std::atomic<bool> interrupted = false;
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    interrupted.store(true, std::memory_order_relaxed);
}

} // namespace

InterruptGuard::InterruptGuard() {
    interrupted.store(false, std::memory_order_relaxed);
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) {
        sigaction(kSignals[i], &action, &previous_[i]);
    }
}

InterruptGuard::~InterruptGuard() {
    for (int i = 0; i < kSignalCount; ++i) {
        sigaction(kSignals[i], &previous_[i], nullptr);
    }
}

bool InterruptGuard::Interrupted() const {
    return interrupted.load(std::memory_order_relaxed);
}

} // namespace tarn
