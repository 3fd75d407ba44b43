#include "dsp/GainRamp.h"

#include <algorithm>
#include <utility>

namespace tarn {
namespace {

constexpr double kFullRangeSeconds = 0.1;

} // namespace

void GainRamp::Init(double sampleRate) noexcept {
    const double fullRange = kFullRangeSeconds * sampleRate;
    for (ParameterRamp* ramp : {&volume_, &left_, &right_}) {
        ramp->Init(1.0, 1.0, fullRange);
    }
}

void GainRamp::SetVolume(double from, double to, double length) noexcept {
    volume_.Set(from, to, length);
}

void GainRamp::SetPosition(double fromLeft, double fromRight, double toLeft, double toRight,
                           double length) noexcept {
    left_.Set(fromLeft, toLeft, length);
    right_.Set(fromRight, toRight, length);
}

void GainRamp::SettleVolume(double volume) noexcept {
    volume_.Init(volume, volume_.range, volume_.fullRangeTime);
}

void GainRamp::SettlePosition(double left, double right) noexcept {
    left_.Init(left, left_.range, left_.fullRangeTime);
    right_.Init(right, right_.range, right_.fullRangeTime);
}

bool GainRamp::Moving() const noexcept {
    return volume_.Moving() || left_.Moving() || right_.Moving();
}

void GainRamp::Tick() noexcept {
    volume_.Tick();
    left_.Tick();
    right_.Tick();
}

void GainRamp::TickInto(int frames, double* first, double* second, double* others) noexcept {
    // The three ramps advance side by side in one loop: each value depends
    // on the one before it, so three independent chains keep the processor
    // busy where one would leave it waiting. Every value is computed exactly
    // as a ramp's own TickInto computes it.
    int k = 0;
    while (k < frames) {
        const int run = std::min(frames - k, SteadyRun(frames - k));
        if (run == 0) {
            // A segment ends within the next sample: one sample the plain way.
            const double volume = volume_.value;
            const double left = left_.value;
            const double right = right_.value;
            others[k] = volume;
            first[k] = Gain(0, volume, left, right);
            second[k] = Gain(1, volume, left, right);
            Tick();
            ++k;
            continue;
        }
        TickSteady(run, first + k, second + k, others + k);
        k += run;
    }
}

int GainRamp::SteadyRun(int limit) const noexcept {
    // A running segment with count c survives n more ticks whole when
    // c - n stays at or above 0, ticking one by one: c >= n.
    int run = limit;
    for (const ParameterRamp* ramp : {&volume_, &left_, &right_}) {
        if (ramp->state != ParameterRamp::kIdle) {
            const double count = ramp->segments[ramp->state].count;
            run = count >= run ? run : std::max(0, static_cast<int>(count));
        }
    }
    return run;
}

void GainRamp::TickSteady(int frames, double* first, double* second, double* others) noexcept {
    // No segment ends within frames ticks: an idle ramp steps by 0 and
    // keeps its value exactly, a running one steps as it would alone.
    const auto stepOf = [](const ParameterRamp& ramp) {
        return ramp.state == ParameterRamp::kIdle ? 0.0 : ramp.segments[ramp.state].step;
    };
    const double volumeStep = stepOf(volume_);
    const double leftStep = stepOf(left_);
    const double rightStep = stepOf(right_);
    double volume = volume_.value;
    double left = left_.value;
    double right = right_.value;
    for (int k = 0; k < frames; ++k) {
        others[k] = volume;
        first[k] = Gain(0, volume, left, right);
        second[k] = Gain(1, volume, left, right);
        volume += volumeStep;
        left += leftStep;
        right += rightStep;
    }
    for (auto [ramp, value] :
         {std::pair{&volume_, volume}, std::pair{&left_, left}, std::pair{&right_, right}}) {
        if (ramp->state != ParameterRamp::kIdle) {
            ramp->value = value;
            ramp->segments[ramp->state].count -= frames;
        }
    }
}

void GainRamp::Advance(int frames) noexcept {
    volume_.Advance(frames);
    left_.Advance(frames);
    right_.Advance(frames);
}

} // namespace tarn
