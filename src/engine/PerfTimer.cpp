#include "engine/PerfTimer.h"

#include <chrono>

namespace tarn {

using Clock = std::chrono::steady_clock;

void PerfTimer::ReadFrequency() noexcept {
    frequency_ = Clock::period::den / Clock::period::num;
}

void PerfTimer::Start() noexcept {
    start_ = Now();
}

void PerfTimer::Stop() noexcept {
    elapsed_ = static_cast<double>(Now() - start_) / static_cast<double>(frequency_);
}

void PerfTimer::Lap() noexcept {
    const std::int64_t now = Now();
    elapsed_ = static_cast<double>(now - start_) / static_cast<double>(frequency_);
    start_ = now;
}

std::int64_t PerfTimer::Now() noexcept {
    return Clock::now().time_since_epoch().count();
}

} // namespace tarn
