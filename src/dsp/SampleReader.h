#pragma once

#include "dsp/TablePosition.h"

namespace tarn {

// The value of a recorded sample array at a fractional frame position,
// interpolated linearly between the two frames around it. Whatever the
// position, only frames 0..frames-1 are read: positions before the first
// frame (and NaN) read the first one, positions at or past the last frame
// read the last one. No frames read as silence.
inline double ReadSample(const float* samples, int frames, double position) noexcept {
    if (frames <= 0) {
        return 0.0;
    }
    if (!(position > 0.0)) {
        return samples[0];
    }
    if (position >= frames - 1) {
        return samples[frames - 1];
    }
    const TablePosition p = SplitPosition(position);
    const double first = samples[p.index];
    return first + (samples[p.index + 1] - first) * p.fraction;
}

} // namespace tarn
