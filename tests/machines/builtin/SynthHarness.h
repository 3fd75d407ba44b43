#pragma once

#include "MachineHost.h"

#include "machines/builtin/synth/SubtractiveSynth.h"
#include "support/SignalMeasures.h"

#include <cmath>
#include <vector>

namespace tarn::test {

// Plays one of the subtractive synthesizers the way a Node does: sample
// rate, tempo and Init through messages (which apply every default), then
// chunks of at most 256 frames with the queued events in the first one.
class SynthHarness {
public:
    static constexpr double kRate = MachineHost::kRate;
    using Stereo = MachineHost::Stereo;

    explicit SynthHarness(SubtractiveSynth& synth, int bpm = 120);

    // Queue an event for the next Render at a frame offset of its first
    // chunk.
    void Set(std::int32_t index, double value, int offset = 0);
    void Note(double note, double lengthBeats = 0.0, double velocity = 1.0, int offset = 0);

    Stereo Render(int frames) { return host_.Run(frames); }
    Stereo RenderSeconds(double seconds) { return Render(static_cast<int>(seconds * kRate)); }

    // The parameter index of oscillator k's (or LFO k's) own parameter.
    static std::int32_t Osc(int k, std::int32_t parameter) {
        return SubtractiveSynth::kOscillatorBase + k * SubtractiveSynth::kOscillatorStride +
               parameter;
    }
    static std::int32_t Lfo(int k, std::int32_t parameter) {
        return SubtractiveSynth::kLfoBase + k * SubtractiveSynth::kLfoStride + parameter;
    }

    // One plain oscillator: osc 1 on with a sine, the others off, the
    // amplitude envelope at full sustain and the filter open.
    void PlainSine();

private:
    MachineHost host_;
};

// Ten seconds in which every parameter jumps between its extremes every
// chunk while notes come and go: the output must stay finite, below bound
// and not silent.
void JumpEveryParameter(SubtractiveSynth& synth, double bound);

} // namespace tarn::test
