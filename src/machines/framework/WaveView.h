#pragma once

#include "dsp/SampleLoop.h"

namespace tarn {

// A wavetable wave as a sampler reads it: the channel arrays, the frame
// count, the wave's own sample rate and its first loop, all checked once
// when the view is made so that a voice can read any frame below frames
// without further tests.
//
// Lifetime: the arrays belong to the wavetable, which changes only under
// the project lock, and the work cycle holds that lock for a whole buffer.
// A view is therefore valid for the Work call that asked GetWave for it and
// must be asked for again in the next one: a machine keeps wave slot
// numbers and play positions between calls, never views. A wave removed in
// between then reads as no wave, and a shorter one as its own length.
struct WaveView {
    const float* left = nullptr;
    const float* right = nullptr; // the left array again for a mono wave
    int frames = 0;
    double sampleRate = 0.0; // Hz; 0 when the wave does not say
    SampleLoop loop;         // active only for loop points inside the frames

    bool Present() const noexcept { return frames > 0; }

    // Output frames per recorded frame at the host's rate: how much faster
    // than its own rate the wave must be read to sound at its own pitch.
    double RateRatio(double hostRate) const noexcept {
        return sampleRate > 0.0 && hostRate > 0.0 ? sampleRate / hostRate : 1.0;
    }

    // The view of what GetWave answered (a SoundData, or null). Anything
    // without frames, channels or arrays is no wave; loop points count only
    // when finite with 0 <= start < end <= frames - 1.
    static WaveView Of(const void* soundData) noexcept;
};

} // namespace tarn
