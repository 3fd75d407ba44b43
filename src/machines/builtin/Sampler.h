#pragma once

#include "machines/builtin/SamplerEngine.h"

namespace tarn {

// "Tarn Sampler": plays the wave of one wavetable slot on sixteen voices,
// pitched by note (note 48 plays it at its own rate, each octave doubles
// the speed). A note takes a free voice or the oldest one; its key release
// releases every voice playing that note.
class Sampler : public SamplerEngine {
public:
    enum Parameter : std::int32_t {
        kWave = 1,
        kGlide = 5,
    };

    Sampler();

private:
    void ApplyParameter(const EventRecord& event) noexcept override;
    void PlayNote(const EventRecord& note) noexcept override;
    int WaveSlot(int voice) const noexcept override;

    int wave_ = 0;
};

} // namespace tarn
