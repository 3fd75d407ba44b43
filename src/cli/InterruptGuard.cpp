#include "cli/InterruptGuard.h"

namespace tarn {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
    interrupted = 1;
}

} // namespace

InterruptGuard::InterruptGuard() {
    interrupted = 0;
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
    return interrupted != 0;
}

} // namespace tarn
