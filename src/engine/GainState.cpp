#include "engine/GainState.h"

#include "engine/SystemParameters.h"

namespace tarn {
namespace {

constexpr double kFullRangeSeconds = 0.1;

void AdvanceRamp(ParameterRamp& ramp, int frames) noexcept {
    if (ramp.state == ParameterRamp::kIdle) {
        return;
    }
    ParameterRamp::Segment& segment = ramp.segments[ramp.state];
    ramp.value += frames * segment.step;
    segment.count -= frames;
    if (segment.count < 0.0) {
        ramp.value = segment.target;
        ++ramp.state;
    }
}

} // namespace

void GainState::Init(double sampleRate) noexcept {
    const double fullRange = kFullRangeSeconds * sampleRate;
    for (ParameterRamp* ramp : {&volume_, &left_, &right_}) {
        ramp->Init(1.0, 1.0, fullRange);
    }
}

void GainState::Apply(const EventRecord& event, double samplesPerBeat) noexcept {
    const double length = event.glideLength * samplesPerBeat;
    if (event.index == system_parameter::kVolume) {
        volume_.Set(DecibelsToGain(event.value), DecibelsToGain(event.endValue), length);
    } else if (event.index == system_parameter::kPan) {
        const StereoGains from = PositionToGains(event.value);
        const StereoGains to = PositionToGains(event.endValue);
        left_.Set(from.left, to.left, length);
        right_.Set(from.right, to.right, length);
    }
}

bool GainState::Moving() const noexcept {
    return volume_.state != ParameterRamp::kIdle || left_.state != ParameterRamp::kIdle ||
           right_.state != ParameterRamp::kIdle;
}

void GainState::Tick() noexcept {
    volume_.Tick();
    left_.Tick();
    right_.Tick();
}

void GainState::Advance(int frames) noexcept {
    AdvanceRamp(volume_, frames);
    AdvanceRamp(left_, frames);
    AdvanceRamp(right_, frames);
}

} // namespace tarn
