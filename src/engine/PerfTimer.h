#pragma once

#include <cstdint>

namespace tarn {

// A stopwatch over the steady clock, for the CPU figures and the start-up
// log. Not shared between threads: each measuring thread keeps its own.
class PerfTimer {
public:
    PerfTimer() { ReadFrequency(); }

    // Takes the clock's ticks per second; done once by the constructor and
    // again by the engine's start.
    void ReadFrequency() noexcept;
    void Start() noexcept;
    // Elapsed becomes the seconds since the last Start.
    void Stop() noexcept;
    // Stop and Start on one reading of the clock: Elapsed becomes the
    // seconds since the last Start or Lap, and the next lap begins.
    void Lap() noexcept;

    std::int64_t Frequency() const { return frequency_; }
    double Elapsed() const { return elapsed_; }

private:
    static std::int64_t Now() noexcept;

    std::int64_t frequency_ = 0;
    std::int64_t start_ = 0;
    double elapsed_ = 0.0;
};

} // namespace tarn
