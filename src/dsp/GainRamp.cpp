#include "dsp/GainRamp.h"

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

bool GainRamp::Moving() const noexcept {
    return volume_.Moving() || left_.Moving() || right_.Moving();
}

void GainRamp::Tick() noexcept {
    volume_.Tick();
    left_.Tick();
    right_.Tick();
}

void GainRamp::TickInto(int frames, double* first, double* second, double* others) noexcept {
    volume_.TickInto(others, frames);
    left_.TickInto(first, frames);
    right_.TickInto(second, frames);
    for (int k = 0; k < frames; ++k) {
        const double left = first[k];
        const double right = second[k];
        first[k] = Gain(0, others[k], left, right);
        second[k] = Gain(1, others[k], left, right);
    }
}

void GainRamp::Advance(int frames) noexcept {
    volume_.Advance(frames);
    left_.Advance(frames);
    right_.Advance(frames);
}

} // namespace tarn
