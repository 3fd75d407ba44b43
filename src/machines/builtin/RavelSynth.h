#pragma once

#include "machines/builtin/synth/SubtractiveSynth.h"

namespace tarn {

// "Tarn Ravel Synth": the stereo sibling of the Corva Synth. Each
// oscillator has a balance control and every voice filters left and right
// separately; the LFOs run at their own speed only, never the tempo.
class RavelSynth : public SubtractiveSynth {
public:
    RavelSynth();

protected:
    // Spreads the voices' own first LFO over the cycle, in the same pattern
    // every time, so that a chord does not wobble in unison.
    void LfoModeChanged() noexcept override;
};

} // namespace tarn
