#pragma once

#include "machines/builtin/synth/SubtractiveSynth.h"

namespace tarn {

// "Tarn Corva Synth": the studio's main polyphonic synthesizer. Six voices
// of four oscillators, two LFOs that can follow the tempo, amplitude and
// modulation envelopes and a key-tracked filter per voice; the mono sum
// goes to both outputs. A Quality setting trades how often the modulation
// is recomputed against cost.
class CorvaSynth : public SubtractiveSynth {
public:
    CorvaSynth();
};

} // namespace tarn
