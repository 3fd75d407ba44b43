#pragma once

#include <vector>

namespace tarn {

// A recirculating comb with a one-pole lowpass in its loop, the building
// block of the reverberators. Each sample it answers what was written
// `length` samples ago (or a little less, for a modulated read), smooths
// that into its filter store and writes the input plus store × feedback
// back. At low frequencies the loop gain is the feedback itself; damping
// takes more away the higher the frequency. Allocated at set-up; the audio
// thread only processes and clears.
class DampedComb {
public:
    double feedback = 0.0; // keep below 1: at 1 the loop never loses energy

    // A line of `length` zeros (at least 1).
    void Allocate(int length);
    void Clear() noexcept;
    int Length() const noexcept { return length_; }

    // 0 keeps no memory of earlier samples (no damping); towards 1 the store
    // moves ever more slowly.
    void SetDamping(double damping) noexcept {
        keep_ = damping;
        take_ = 1.0 - damping;
    }

    double Process(double input) noexcept {
        const double out = line_[index_];
        Recirculate(input, out);
        return out;
    }

    // Adds the comb's answer to each of `frames` inputs into sum.
    void Accumulate(const double* input, double* sum, int frames) noexcept {
        for (int i = 0; i < frames; ++i) {
            sum[i] += Process(input[i]);
        }
    }

    // The same with a read `shorten` samples (0 <= shorten < length) short
    // of the full length, interpolated between the two nearest entries.
    double ProcessShortened(double input, double shorten) noexcept {
        const int whole = static_cast<int>(shorten);
        const double fraction = shorten - whole;
        int i = index_ + whole;
        if (i >= length_) {
            i -= length_;
        }
        const int j = i + 1 == length_ ? 0 : i + 1;
        const double out = line_[i] + fraction * (line_[j] - line_[i]);
        Recirculate(input, out);
        return out;
    }

private:
    void Recirculate(double input, double out) noexcept {
        store_ = out * take_ + store_ * keep_;
        line_[index_] = input + store_ * feedback;
        if (++index_ == length_) {
            index_ = 0;
        }
    }

    std::vector<double> line_;
    int length_ = 0;
    int index_ = 0;
    double store_ = 0.0;
    double keep_ = 0.0;
    double take_ = 1.0;
};

} // namespace tarn
