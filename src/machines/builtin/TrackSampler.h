#pragma once

#include "machines/builtin/SamplerEngine.h"

#include <array>

namespace tarn {

// "Tarn Track Sampler": the Sampler's sound on sixteen tracks, each track
// one voice playing a wave of its own at its own level and balance, so
// that one machine plays a whole drum kit. A note restarts its track's
// voice; a key release releases it when it plays that note. Envelopes,
// filter and quality are shared by all tracks.
class TrackSampler : public SamplerEngine {
public:
    enum Parameter : std::int32_t {
        kWave = 1,
        kVolume = 2,
        kPan = 3,
    };

    TrackSampler();

private:
    void ApplyParameter(const EventRecord& event) noexcept override;
    void PlayNote(const EventRecord& note) noexcept override;
    int WaveSlot(int voice) const noexcept override;

    struct Track {
        int wave = 0;
        double volume = 1.0; // linear
        double pan = 0.0;
    };
    std::array<Track, kVoiceCount> tracks_{};
};

} // namespace tarn
