#pragma once

#include "dsp/BandLimitedOscillator.h"
#include "dsp/BiquadSection.h"
#include "dsp/EnvelopeGenerator.h"
#include "dsp/SynthLfo.h"
#include "machines/framework/BuiltinMachineBase.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Synth": the simple one-voice synthesizer. Four band-limited
// oscillators (each with octave, detune, waveform and LFO vibrato) are
// summed into a resonant two-pole low-pass opened by a filter envelope, and
// shaped by an amplitude envelope that plays its attack and decay and then
// ends, unless the note's row asks to glide into the next note, which then
// slides in over the glide time without restarting the envelopes (and ends
// a decay's length after it arrives, unless its own row glides on). One mono signal goes to
// both outputs.
class Synth : public BuiltinMachineBase {
public:
    enum Parameter : std::int32_t {
        kNote = 0,
        kGlide = 5,
        kGlideTime = 6,
        kAttack = 11,
        kDecay = 13,
        kSustain = 16,
        kFilterAttack = 30,
        kFilterDecay = 33,
        kCutoff = 50,
        kResonance = 51,
        kEnvMod = 52,
        kLfoSpeed = 201,
    };
    // Oscillator k (0..3) has its parameters at kOscillatorBase + 10 · k
    // plus one of these.
    enum OscillatorParameter : std::int32_t {
        kEnabled = 0,
        kOctave = 1,
        kDetune = 2,
        kWaveform = 3,
        kPan = 4,
        kVolume = 5,
        kPitchMod = 6,
    };
    static constexpr std::int32_t kOscillatorBase = 100;
    static constexpr std::int32_t kOscillatorStride = 10;
    static constexpr int kOscillators = 4;

    static constexpr std::int32_t Oscillator(int k, std::int32_t parameter) {
        return kOscillatorBase + kOscillatorStride * k + parameter;
    }

    Synth();
    ~Synth() override = default;

    std::int32_t Stop(std::int32_t mode) override;

private:
    struct Voice {
        BandLimitedOscillator oscillator;
        bool enabled = false;
        int octave = 0;
        double detune = 0.0; // cents
        double pitchMod = 0.0;
        double pan = 0.0;    // kept for the pattern, not heard
        double volume = 1.0; // kept for the pattern, not heard
    };

    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void PlayNote(const EventRecord& note) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;
    double RenderFrame() noexcept;
    double Samples(double milliseconds) const noexcept;

    double rate_ = 0.0;
    std::array<Voice, kOscillators> voices_{};
    SynthLfo lfo_;
    EnvelopeGenerator amplitude_;
    EnvelopeGenerator filterEnvelope_;

    double cutoff_ = 20000.0; // Hz
    double resonance_ = 0.0;
    double envMod_ = 0.0;
    double cutoffInUse_ = 20000.0; // Hz, following the cutoff asked for
    double resonanceInUse_ = 0.0;
    BiquadCoefficients coefficients_;
    BiquadSection filter_;
    int coefficientCounter_ = 0; // 0..4; coefficients are recomputed at 0

    bool glideRow_ = false;
    bool glidePending_ = false;
    double glideTime_ = 0.0;        // samples
    double releaseCountdown_ = 0.0; // samples until a slid-in note ends

    std::array<double, kMaxChunkFrames> mono_{};
};

} // namespace tarn
