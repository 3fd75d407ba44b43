#pragma once

#include "dsp/GainRamp.h"
#include "tarn/MachineAbi.h"

namespace tarn {

// A Node's volume and stereo position as the system events set them: its
// outputs keep one, every Connection one for its input mix. The smoothing
// is the GainRamp's; this adds the reading of the events. Owned by its Node
// or Connection and driven by the work cycle under the Node lock.
class GainState : public GainRamp {
public:
    using GainRamp::GainRamp;

    // A volume (index 0, decibels) or stereo position (index 1) event: the
    // gains slew to the event's value, then glide to its end value over what
    // is left of its glide length (beats x samplesPerBeat). Other indices
    // are ignored.
    void Apply(const EventRecord& event, double samplesPerBeat) noexcept;
    // A volume (index 0) or stereo position (index 1) the gains take at
    // once, without the slew. Other indices are ignored.
    void Settle(int index, double value) noexcept;
};

} // namespace tarn
