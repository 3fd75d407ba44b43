#pragma once

#include "dsp/TableLfo.h"

#include <span>
#include <vector>

namespace tarn {

// A recirculating comb with a one-pole lowpass in its loop, the building
// block of the reverberators. Each sample it answers what was written
// `length` samples ago (or a little less, when its read sways), smooths that
// into its filter store and writes the input plus store × feedback back. At
// low frequencies the loop gain is the feedback itself; damping takes more
// away the higher the frequency. Allocated at set-up; the audio thread only
// processes and clears.
class DampedComb {
public:
    double feedback = 0.0; // keep below 1: at 1 the loop never loses energy
    // For swaying reads: each read is (sway + 1) · swayDepth samples short of
    // the full length, the sway ticking once per sample. Keep the depth below
    // half the length.
    TableLfo sway;
    double swayDepth = 0.0;

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

    // Runs `frames` inputs through every comb, reading at the full length,
    // and adds their answers into sum (comb by comb, in order).
    static void AccumulateAll(std::span<DampedComb> combs, const double* input, double* sum,
                              int frames) noexcept;
    // The same with swaying reads, interpolated between the two nearest
    // entries.
    static void AccumulateAllSwaying(std::span<DampedComb> combs, const double* input, double* sum,
                                     int frames) noexcept;

private:
    // A few combs at a time, so that their loops' dependency chains overlap.
    template <int N, bool kSwaying>
    static void AccumulateGroup(DampedComb* combs, const double* input, double* sum,
                                int frames) noexcept;
    template <bool kSwaying>
    static void AccumulateEach(std::span<DampedComb> combs, const double* input, double* sum,
                               int frames) noexcept;

    std::vector<double> line_;
    int length_ = 0;
    int index_ = 0;
    double store_ = 0.0;
    double keep_ = 0.0;
    double take_ = 1.0;
};

} // namespace tarn
