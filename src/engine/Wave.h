#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarn {

// A loop of a wave, as a sound file's sampler chunk gives it.
struct WaveLoopPoint {
    std::int32_t kind = 0; // the sampler chunk's loop type
    double start = 0.0;    // frames
    double end = 0.0;      // frames
};

// One sample of the project's wavetable: decoded channels of 32-bit floats
// (nominal full scale +-1.0), never interleaved. Every channel holds exactly
// frameCount samples. Owned by the Project's wavetable; changed only with
// the project lock held.
struct Wave {
    std::string name;
    std::int32_t frameCount = 0;
    // What the samples were decoded from; the arrays are floats whatever it
    // says.
    std::int32_t bitsPerSample = 32;
    std::int32_t sampleRate = 44100; // Hz
    std::vector<std::vector<float>> channels;
    std::vector<WaveLoopPoint> loopPoints;

    int ChannelCount() const { return static_cast<int>(channels.size()); }
};

} // namespace tarn
