#pragma once

#include "dsp/ParameterRamp.h"

namespace tarn {

// Volume and stereo position as three smoothed gains (volume, left, right),
// each a ParameterRamp that starts at 1.0 and moves only when set; a change
// of the whole range 0..1 takes at least 0.1 s. Plain state owned by its
// user and ticked on the audio thread; allocates nothing.
class GainRamp {
public:
    explicit GainRamp(double sampleRate = 44100.0) { Init(sampleRate); }

    void Init(double sampleRate) noexcept;

    // The gains slew to the from values, then glide to the to values over
    // what is left of length samples (see ParameterRamp::Set).
    void SetVolume(double from, double to, double length) noexcept;
    void SetPosition(double fromLeft, double fromRight, double toLeft, double toRight,
                     double length) noexcept;

    // Puts the gains at these values at once, idle: a level a Node starts
    // with (a loaded project's) is where it is from the first sample, not
    // reached from unity.
    void SettleVolume(double volume) noexcept;
    void SettlePosition(double left, double right) noexcept;

    bool Moving() const noexcept;

    // One sample on.
    void Tick() noexcept;
    // The gains of the next frames samples, ticking after each: first and
    // second for channels 0 and 1, others for further channels (what
    // ForChannel gives sample by sample).
    void TickInto(int frames, double* first, double* second, double* others) noexcept;
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
    // How many of the next limit ticks end no segment of any ramp.
    int SteadyRun(int limit) const noexcept;
    // frames ticks of which none ends a segment.
    void TickSteady(int frames, double* first, double* second, double* others) noexcept;

    ParameterRamp volume_;
    ParameterRamp left_;
    ParameterRamp right_;
};

} // namespace tarn
