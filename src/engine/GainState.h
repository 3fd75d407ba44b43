#pragma once

#include "dsp/ParameterRamp.h"
#include "tarn/MachineAbi.h"

namespace tarn {

// Volume and stereo position as three smoothed gains: a Node's outputs keep
// one set, every Connection one for its input mix. Each gain starts at 1.0
// (0 dB, centre) and moves only when an event arrives; a change of the
// whole range 0..1 takes at least 0.1 s. Owned by its Node or Connection and
// driven by the work cycle under the Node lock; allocates nothing.
class GainState {
public:
    explicit GainState(double sampleRate = 44100.0) { Init(sampleRate); }

    void Init(double sampleRate) noexcept;

    // A volume (index 0, decibels) or stereo position (index 1) event: the
    // gains slew to the event's value, then glide to its end value over what
    // is left of its glide length (beats x samplesPerBeat). Other indices
    // are ignored.
    void Apply(const EventRecord& event, double samplesPerBeat) noexcept;

    bool Moving() const noexcept;

    // One sample on.
    void Tick() noexcept;
    // A whole chunk on in one step. A segment that ends inside the chunk
    // lands on its target; the next segment starts with the next chunk.
    void Advance(int frames) noexcept;

    double Volume() const { return volume_.value; }
    double Left() const { return left_.value; }
    double Right() const { return right_.value; }

    // The gain a destination channel takes: channel 0 the left gain, channel
    // 1 the right one, both times the volume; further channels the volume.
    double ForChannel(int channel) const noexcept {
        return Gain(channel, volume_.value, left_.value, right_.value);
    }
    static double Gain(int channel, double volume, double left, double right) noexcept {
        return channel == 0 ? volume * left : channel == 1 ? volume * right : volume;
    }

private:
    ParameterRamp volume_;
    ParameterRamp left_;
    ParameterRamp right_;
};

} // namespace tarn
