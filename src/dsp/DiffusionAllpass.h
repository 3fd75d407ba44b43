#pragma once

#include <cmath>
#include <limits>
#include <vector>

namespace tarn {

// The reverberators' diffuser: a delay whose output is fed back into its
// input and from which the dry input is subtracted, smearing each echo into
// a train of smaller ones. With feedback 0.5 its gain is not quite flat (it
// is the classic diffuser, not a strict all-pass), which the reverberators'
// tuning takes into account. Allocated at set-up.
class DiffusionAllpass {
public:
    double feedback = 0.5;

    // A line of `length` zeros (at least 1).
    void Allocate(int length);
    void Clear() noexcept;
    int Length() const noexcept { return length_; }

    double Process(double input) noexcept {
        double delayed = line_[index_];
        // A recirculating value that has decayed into the denormal range
        // counts as silence rather than slowing every later sample down.
        // (One test on the magnitude: tests on either sign would be guessed
        // wrong half the time.)
        if (std::abs(delayed) < kSmallest) {
            delayed = 0.0;
        }
        line_[index_] = input + delayed * feedback;
        if (++index_ == length_) {
            index_ = 0;
        }
        return delayed - input;
    }

    // Runs `frames` samples through in place.
    void ProcessInPlace(double* samples, int frames) noexcept {
        for (int i = 0; i < frames; ++i) {
            samples[i] = Process(samples[i]);
        }
    }

private:
    static constexpr double kSmallest = std::numeric_limits<double>::min(); // smallest normal

    std::vector<double> line_;
    int length_ = 0;
    int index_ = 0;
};

} // namespace tarn
