#include "engine/GainState.h"

#include "engine/SystemParameters.h"

namespace tarn {

void GainState::Apply(const EventRecord& event, double samplesPerBeat) noexcept {
    const double length = event.glideLength * samplesPerBeat;
    if (event.index == system_parameter::kVolume) {
        SetVolume(DecibelsToGain(event.value), DecibelsToGain(event.endValue), length);
    } else if (event.index == system_parameter::kPan) {
        const StereoGains from = PositionToGains(event.value);
        const StereoGains to = PositionToGains(event.endValue);
        SetPosition(from.left, from.right, to.left, to.right, length);
    }
}

void GainState::Settle(int index, double value) noexcept {
    if (index == system_parameter::kVolume) {
        SettleVolume(DecibelsToGain(value));
    } else if (index == system_parameter::kPan) {
        const StereoGains gains = PositionToGains(value);
        SettlePosition(gains.left, gains.right);
    }
}

} // namespace tarn
