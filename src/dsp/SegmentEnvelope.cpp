#include "dsp/SegmentEnvelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarn {
namespace {

// Whole samples of a length; lengths no int can hold are clamped, NaN and
// negative lengths give 0 (the segment ends on the first tick).
int WholeSamples(double length) noexcept {
    constexpr double kMost = std::numeric_limits<int>::max();
    if (!(length > 0.0)) {
        return 0;
    }
    return length < kMost ? static_cast<int>(length) : static_cast<int>(kMost);
}

} // namespace

void SegmentEnvelope::Enter(int segment) noexcept {
    if (segment < 0 || segment >= kSegmentCount) {
        segment = kOff;
    }
    const Segment& entered = segments[segment];
    current = segment;
    level = entered.start;
    count = 0;
    limit = WholeSamples(entered.length);
    if (entered.curve != kLinear) {
        const double ratio = entered.end / entered.start;
        multiplier = entered.length > 0.0 ? std::pow(ratio, 1.0 / entered.length) : ratio;
        increment = 0.0;
    } else {
        multiplier = 1.0;
        // A segment without length is left on its first tick, which reloads
        // the level; a zero step keeps the interim level a number.
        increment = entered.length > 0.0 ? (entered.end - entered.start) / entered.length : 0.0;
    }
}

void SegmentEnvelope::Start() noexcept {
    segments[kAttack].start = level > kFloor ? level : kFloor;
    segments[kSustain].length = kLoopLength;
    segments[kSustain].next = kSustain;
    Enter(kAttack);
}

void SegmentEnvelope::Start(const Shape& shape) noexcept {
    const auto stage = [](double ticks) { return ticks > kMinStageTicks ? ticks : kMinStageTicks; };
    const double sustain = shape.sustain > kFloor ? std::min(shape.sustain, 1.0) : kFloor;
    segments[kAttack] = {kLinear, stage(shape.attack), kPeak, std::max(level, sustain), 1.0};
    segments[kPeak] = {kLinear, shape.peak, kDecay, 1.0, 1.0};
    segments[kDecay] = {kExponential, stage(shape.decay), kSustain, 1.0, sustain};
    segments[kSustain] = {kLinear, kLoopLength, kSustain, sustain, sustain};
    segments[kRelease] = {kExponential, stage(shape.release), kOff, sustain, kFloor};
    Enter(kAttack);
}

void SegmentEnvelope::Release() noexcept {
    segments[kSustain].next = kRelease;
    if (current == kSustain) {
        count = 0;
        limit = 0;
    } else {
        segments[kSustain].length = 0.0;
    }
}

void SegmentEnvelope::SetSustainLevel(double sustain) noexcept {
    segments[kDecay].end = sustain;
    segments[kSustain].start = sustain;
    segments[kSustain].end = sustain;
    segments[kRelease].start = sustain;
}

} // namespace tarn
