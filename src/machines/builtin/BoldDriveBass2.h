#pragma once

#include "machines/builtin/BoldDriveBass.h"

namespace tarn {

// "Tarn Bold Drive Bass 2": the Bold Drive Bass with a pulse-width Square
// (two sawtooth readings apart by the width, so the pulse stays
// band-limited), waveforms Saw, Square, Sin and Triangle, and a glide mode
// that lets every note slide from the one before.
class BoldDriveBass2 : public BoldDriveBass {
public:
    enum Parameter2 : std::int32_t {
        kPulseWidth = 3,
        kGlideMode = 7,
    };
    enum GlideMode : std::int32_t { kGlideLegato = 0, kGlideAlways = 1 };
    static constexpr std::int32_t kSquare = 1;

    BoldDriveBass2();

private:
    void ApplyParameter(const EventRecord& event) noexcept override;

    std::int32_t waveform_ = 0;
    double width_ = 0.5;
};

} // namespace tarn
