#pragma once

#include "dsp/BandLimitedOscillator.h"
#include "dsp/LadderFilter.h"
#include "dsp/SegmentEnvelope.h"
#include "dsp/SlewRamp.h"
#include "machines/framework/BuiltinMachineBase.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Analog Bass": a one-voice bass synthesizer. One band-limited
// oscillator feeds a four-stage resonant low-pass filter run twice per
// sample with soft clipping; an amplitude envelope shapes the output and a
// modulation envelope opens the filter. Notes marked with Glide hold on and
// let the next note slide in from their pitch. The same mono signal goes to
// every output channel.
//
// Parameter values arrive as events inside Work; the machine holds none of
// them for the host. Work runs on the audio thread and allocates nothing.
class AnalogBass : public BuiltinMachineBase {
public:
    // Parameter indices, as events, saved values and FormatValue use them.
    enum Parameter : std::int32_t {
        kNote = 0,
        kWaveform = 2,
        kGlideTime = 5,
        kGlide = 6,
        kAttack = 11,
        kDecay = 12,
        kSustain = 13,
        kRelease = 14,
        kCutoff = 20,
        kResonance = 21,
        kEnvMod = 22,
        kModAttack = 25,
        kModDecay = 26,
    };

    AnalogBass();
    ~AnalogBass() override = default;

    std::int32_t Stop(std::int32_t mode) override;

private:
    // Silences the voice and clears the filter for a sample rate (Hz); the
    // parameter settings stay.
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void PlayNote(const EventRecord& note) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;
    double RenderFrame() noexcept;
    double EnvelopeLength(double value) const noexcept;

    double rate_ = 0.0; // samples per second in use

    BandLimitedOscillator oscillator_;
    SegmentEnvelope amplitude_;
    SegmentEnvelope modulation_;
    double glideTime_ = 0.0; // samples
    bool glideRequest_ = false;
    bool glidePending_ = false;
    std::int32_t noteRemaining_ = 0; // samples

    SlewRamp cutoff_;    // Hz
    SlewRamp resonance_; // 0..1
    double envMod_ = 0.0;
    LadderFilter filter_;
    double filterRate_ = 0.0;    // Hz
    int coefficientCounter_ = 0; // 0..4; coefficients are recomputed at 0

    std::array<double, kMaxChunkFrames> mono_{}; // one chunk, copied to every output
};

} // namespace tarn
