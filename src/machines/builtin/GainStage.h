#pragma once

#include "machines/framework/ParameterDisplay.h"
#include "tarn/MachineAbi.h"

#include <algorithm>
#include <cmath>

namespace tarn {

// What the level machines share: one gain for every channel, so the balance
// between channels never changes, and inputs that are not connected read
// as silence rather than whatever their buffers last held.
namespace gain_stage {

inline bool Connected(const ChannelBufferRecord* channel) noexcept {
    return channel != nullptr && (channel->connected & 1) != 0;
}

// The largest magnitude over all connected inputs at one frame.
inline double PeakAt(const WorkRecord& record, int channels, int frame) noexcept {
    double peak = 0.0;
    for (int channel = 0; channel < channels; ++channel) {
        const ChannelBufferRecord* input = record.inputs[channel];
        if (Connected(input)) {
            peak = std::max(peak, std::abs(input->samples[frame]));
        }
    }
    return peak;
}

// Every output at one frame: its input times gain, silence when the input is
// not connected.
inline void Apply(const WorkRecord& record, int channels, int frame, double gain) noexcept {
    for (int channel = 0; channel < channels; ++channel) {
        const ChannelBufferRecord* input = record.inputs[channel];
        record.outputs[channel]->samples[frame] =
            Connected(input) ? input->samples[frame] * gain : 0.0;
    }
}

// The threshold's text, "-6.00dB".
inline int FormatThreshold(char* text, double v) noexcept {
    return FormatDecibels(text, v, "dB");
}

} // namespace gain_stage
} // namespace tarn
