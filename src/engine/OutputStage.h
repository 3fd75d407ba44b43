#pragma once

#include "dsp/DenormalGuard.h"
#include "engine/GainState.h"
#include "tarn/MachineAbi.h"

namespace tarn {

// A Node's own volume and stereo position, applied in place to its outputs
// once per chunk. Runs on the audio thread with the project lock and the
// Node lock held; allocates nothing.
class OutputStage {
public:
    void Init(double sampleRate) noexcept { gains_.Init(sampleRate); }
    // Starts the denormal guard over, as on a new Node; the gains are
    // settled by their stored values.
    void Restart() noexcept { guard_ = {}; }

    // record: the Node's output channels, the frame count n and the chunk's
    // System events. The events take effect at the start of the chunk
    // (their offsets are not used); the gains then move in a straight line
    // across the chunk. Each output also gets this call's denormal guard
    // value. channels: the output channels in use.
    void Run(const WorkRecord& record, int channels) noexcept;

    const GainState& Gains() const { return gains_; }
    GainState& Gains() { return gains_; }

private:
    GainState gains_;
    DenormalGuard guard_; // one step per call
};

} // namespace tarn
