#pragma once

#include "dsp/BandLimitedOscillator.h"
#include "machines/builtin/synth/MonoVoiceControls.h"
#include "machines/framework/BuiltinMachineBase.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Duosync": a one-voice hard-sync synthesizer. A silent master
// oscillator plays the note; every time it starts a period it restarts the
// audible slave oscillator, which runs a number of semitones higher. The
// sound therefore keeps the note's pitch while the slave's pitch moves its
// harmonics around; a sweep envelope raises the slave further at the start
// of every note. Each restart is smoothed by a two-sample band-limited step
// so the jump does not alias. The same mono signal goes to every output.
class Duosync : public BuiltinMachineBase {
public:
    // Envelopes and glide: kGlideTime, kGlide, kAttack, kDecay, kSustain,
    // kRelease, kModAttack, kModDecay.
    using enum MonoVoiceControls::Parameter;
    enum Parameter : std::int32_t {
        kNote = 0,
        kWaveform = 2,
        kSync = 3,  // semitones, 0..48
        kSweep = 4, // semitones, 0..48
        kSweepAttack = MonoVoiceControls::kModAttack,
        kSweepDecay = MonoVoiceControls::kModDecay,
    };

    Duosync();

    // Mode 1 releases the note and forgets a pending glide.
    std::int32_t Stop(std::int32_t mode) override;

private:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void PlayNote(const EventRecord& note) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;
    double RenderFrame() noexcept;

    MonoVoiceControls controls_;
    BandLimitedOscillator master_; // only its phase is used
    BandLimitedOscillator slave_;
    double sync_ = 0.0;  // semitones
    double sweep_ = 0.0; // semitones at the sweep envelope's peak
    // What the band-limited step of a restart adds to the next sample.
    double correction_ = 0.0;

    std::array<double, kMaxChunkFrames> mono_{};
};

} // namespace tarn
