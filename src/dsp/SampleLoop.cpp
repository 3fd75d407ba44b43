#include "dsp/SampleLoop.h"

#include <cmath>

namespace tarn {

double SampleLoop::Wrap(double phase) const noexcept {
    const double length = end - start;
    if (!active || !(phase >= end) || !(length > 0.0)) {
        return phase;
    }
    switch (kind) {
    case kAlternating:
        // Forward from start to end, then back from end to start: the phase
        // runs on past end for the way back, for one loop length.
        return phase < end + length ? phase : start + std::fmod(phase - end - length, 2.0 * length);
    case kBackward:
        return phase < end + length ? phase : end + std::fmod(phase - end - length, length);
    default:
        return start + std::fmod(phase - end, length);
    }
}

} // namespace tarn
