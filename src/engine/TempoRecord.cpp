#include "engine/TempoRecord.h"

namespace tarn {

void TempoRecord::SetBpm(double beatsPerMinute) noexcept {
    bpm = beatsPerMinute;
    const double beatsPerSecond = bpm / 60.0;
    beatsPerSample = beatsPerSecond / sampleRate;
    samplesPerBeat = sampleRate / beatsPerSecond;
}

void TempoRecord::SetSampleRate(double framesPerSecond) noexcept {
    sampleRate = framesPerSecond;
    SetBpm(bpm);
}

TempoRecord& GlobalTempo() noexcept {
    static TempoRecord global;
    return global;
}

} // namespace tarn
