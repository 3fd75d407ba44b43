#include "engine/OutputStage.h"

#include "engine/TempoRecord.h"

#include <algorithm>

namespace tarn {

void OutputStage::Run(const WorkRecord& record, int channels) noexcept {
    const double guard = guard_.Next();
    const double samplesPerBeat = GlobalTempo().samplesPerBeat;
    for (int i = 0; i < record.eventCount; ++i) {
        gains_.Apply(*record.events[i], samplesPerBeat);
    }
    const int frames = std::clamp(record.frameCount, 0, kMaxChunkFrames);
    const GainState start = gains_;
    gains_.Advance(frames);
    if (frames == 0 || record.outputs == nullptr) {
        return;
    }
    for (int channel = 0; channel < channels; ++channel) {
        const double from = start.ForChannel(channel);
        const double step = (gains_.ForChannel(channel) - from) / frames;
        double* samples = record.outputs[channel]->samples;
        if (step == 0.0) {
            // k × step is then a zero of step's sign for every k, so the
            // gain below is bit for bit the gliding formula's.
            const double gain = from + 0.0 * step;
            for (int k = 0; k < frames; ++k) {
                samples[k] = guard + gain * samples[k];
            }
        } else {
            for (int k = 0; k < frames; ++k) {
                samples[k] = guard + (from + k * step) * samples[k];
            }
        }
    }
}

} // namespace tarn
