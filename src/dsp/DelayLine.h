#pragma once

#include <cmath>
#include <vector>

namespace tarn {

// A circular line of samples for the delay effects. The write position
// counts down, so a sample written now is read `delay` samples later at
// write position + delay. Allocated and zeroed at set-up (Allocate runs on
// the GUI thread); the audio thread only reads, writes and clears.
class DelayLine {
public:
    // The shortest delay a read gives: reading 0 samples behind would read
    // the entry about to be overwritten, the oldest in the line, and turn a
    // zero delay into the longest.
    static constexpr double kMinDelay = 1.0;
    // The fewest entries a line holds: room for kMinDelay and the next
    // entry an interpolated read needs.
    static constexpr int kMinSize = 3;

    // A line of `size` zeros (at least kMinSize), written next at its last
    // entry.
    void Allocate(int size);
    void Clear() noexcept;

    int Size() const noexcept { return size_; }
    // The longest delay a read gives, in samples: a read also touches the
    // entry one older than its delay, and the oldest entry is the one being
    // overwritten.
    double MaxDelay() const noexcept { return size_ - 2.0; }

    // The value written `delay` samples ago, linearly interpolated between
    // whole samples. The delay is held to kMinDelay .. MaxDelay(); NaN reads
    // the shortest.
    double Read(double delay) const noexcept {
        if (!(delay >= kMinDelay)) {
            delay = kMinDelay;
        } else if (delay > MaxDelay()) {
            delay = MaxDelay();
        }
        const int whole = static_cast<int>(delay);
        const double fraction = delay - whole;
        int i = write_ + whole;
        if (i >= size_) {
            i -= size_;
        }
        const int j = i + 1 == size_ ? 0 : i + 1;
        const double* s = samples_.data();
        return s[i] + fraction * (s[j] - s[i]);
    }

    // The largest magnitude Write stores, about +36 dB over full scale.
    // Far above any signal a musician plays through a delay; it only keeps a
    // loop of feedback 1 with a steady input (which grows without end) and
    // overloaded inputs finite.
    static constexpr double kLoopLimit = 64.0;

    // Stores the sample, held to +-kLoopLimit, at the write position and
    // moves it on by one. Not a number stores 0: it would recirculate for
    // ever.
    void Write(double x) noexcept {
        if (!(std::abs(x) <= kLoopLimit)) {
            x = std::isnan(x) ? 0.0 : std::copysign(kLoopLimit, x);
        }
        samples_[write_] = x;
        write_ = write_ == 0 ? size_ - 1 : write_ - 1;
    }

private:
    std::vector<double> samples_;
    int size_ = 0;
    int write_ = 0;
};

} // namespace tarn
