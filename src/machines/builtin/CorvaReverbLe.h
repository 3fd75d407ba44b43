#pragma once

#include "machines/builtin/CorvaReverb.h"

namespace tarn {

// "Corva Reverb LE": the Corva Reverb at about half the cost. It keeps
// every other comb of each side (8 instead of 16, the same lengths, sways
// and decay) and all four all-passes, and feeds the combs √2 louder so the
// tail is as loud as the full reverb's; the tail is a little less dense.
class CorvaReverbLe : public CorvaReverb {
public:
    CorvaReverbLe();
};

} // namespace tarn
