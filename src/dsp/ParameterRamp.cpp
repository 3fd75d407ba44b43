#include "dsp/ParameterRamp.h"

#include <cmath>

namespace tarn {

void ParameterRamp::Init(double initialValue, double valueRange, double fullRangeSamples) noexcept {
    value = initialValue;
    range = valueRange;
    fullRangeTime = fullRangeSamples;
    state = kIdle;
    segments = {Segment{initialValue, 0.0, 0.0}, Segment{initialValue, 0.0, 0.0}};
}

void ParameterRamp::Set(double v, double e, double t) noexcept {
    // A negative or NaN glide length means no glide: left as it is, the
    // second segment's count would never fall below 0 and the value would
    // hang on NaN.
    if (!(t > 0.0)) {
        t = 0.0;
    }
    if (v != segments[kSecondSegment].target || t == 0.0) {
        // A parameter without a range (min == max) has no speed to scale:
        // it jumps, instead of dividing by zero.
        const double count = range > 0.0 ? std::abs(v - value) / range * fullRangeTime : 0.0;
        segments[kFirstSegment] = {v, count > 0.0 ? (v - value) / count : 0.0, count};
        const double left = t - count;
        segments[kSecondSegment] =
            left > 0.0 ? Segment{e, (e - v) / left, left} : Segment{v, 0.0, 0.0};
        state = kFirstSegment;
    } else {
        segments[kSecondSegment] = {e, (e - value) / t, t};
        state = kSecondSegment;
    }
}

} // namespace tarn
