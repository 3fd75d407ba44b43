#pragma once

#include "dsp/KeyTrackedFilter.h"
#include "dsp/ParameterRamp.h"
#include "dsp/SegmentEnvelope.h"
#include "dsp/SynthLfo.h"
#include "dsp/SynthOscillator.h"
#include "machines/framework/BuiltinMachineBase.h"

#include <array>
#include <cstdint>
#include <string>

namespace tarn {

// The polyphonic subtractive synthesizers: six voices of four wavetable
// oscillators each, two LFOs (per voice, or one common to all voices), an
// amplitude and a modulation envelope per voice and a key-tracked
// multimode filter. Each machine declares its own parameter rows (with the
// row templates below) and picks mono or stereo; this class turns the
// shared parameter numbers into settings, allocates voices and renders
// them. A machine whose voices work differently overrides the voice start
// and the render and builds them from the protected pieces below.
//
// Voices advance their modulation (LFOs, modulation envelope, filter
// coefficients, pitch and table choice) once per control period and run
// only table reads and the filter in between. All voice memory is part of
// the machine; nothing is allocated after construction.
class SubtractiveSynth : public BuiltinMachineBase {
public:
    static constexpr int kVoiceCount = 6;
    static constexpr int kOscillatorCount = 4;
    static constexpr int kLfoCount = 2;

    // Parameter numbers the family shares.
    enum Parameter : std::int32_t {
        kNote = 0,
        kGlide = 5,
        kGlideTime = 6,
        kAmpAttack = 11,
        kAmpDecay = 13,
        kAmpSustain = 16,
        kAmpRelease = 19,
        kModAttack = 30,
        kModDecay = 33,
        kModSustain = 36,
        kModRelease = 39,
        kCutoff = 50,
        kResonance = 51,
        kCutoffModEnv = 52,
        kFilterType = 53,
        kFilterSlope = 54,
        kCutoffLfo1 = 55,
        kCutoffLfo2 = 56,
        kResonanceLfo1 = 59,
        kResonanceLfo2 = 60,
        kQuality = 300,
        // Oscillator k (0..3) has its parameters at kOscillatorBase + k *
        // kOscillatorStride + an OscillatorParameter, LFO k likewise.
        kOscillatorBase = 100,
        kOscillatorStride = 20,
        kLfoBase = 200,
        kLfoStride = 10,
    };
    enum OscillatorParameter : std::int32_t {
        kEnabled = 0,
        kOctave = 1,
        kSemi = 2,
        kDetune = 3,
        kWaveform = 4,
        kPan = 5,
        kVolume = 6,
        kPitchLfo1 = 7,
        kPitchModEnv = 8,
        kVolumeLfo1 = 9,
    };
    enum LfoParameter : std::int32_t {
        kShape = 0,
        kSpeed = 1,
        kVoiceCommon = 2,
        kKeySync = 3,
        kStartPhase = 4,
        kDelay = 5,
        kSyncRate = 6,
    };
    enum Folder : std::int32_t {
        kAmpEnvFolder = 0,
        kModEnvFolder = 1,
        kOscillatorsFolder = 4,
        kLfosFolder = 10,
        kFilterModFolder = 20,
        kGlobalFolder = 30,
    };

    struct OscillatorSettings {
        bool enabled = false;
        int octave = 0; // -4..4
        int semi = 0;   // -12..12
        int detune = 0; // cents, -50..50
        int waveKind = kWaveSawtooth;
        double volume = 1.0;
        double pitchLfo1 = 0.0;   // cubed amount, 1 = 4 octaves
        double pitchModEnv = 0.0; // cubed amount, 1 = 4 octaves
        double volumeLfo1 = 0.0;
        double left = 1.0; // balance gains
        double right = 1.0;
    };

    struct LfoSettings {
        int shape = kLfoSine;
        double speed = 0.0; // Hz
        bool voiceCommon = false;
        bool keySync = false;
        double startPhase = 0.0; // periods
        double delay = 0.0;      // samples of fade-in
        int syncRate = 0;        // 0 off, else a beat fraction (see SyncBeats)
        double fadeRate = 1.0;   // per sample
        SynthLfo common;         // advanced every sample, shared by all voices
    };

    struct EnvelopeSettings {
        double attack = 0.0; // samples
        double decay = 0.0;
        double sustain = 0.0; // level
        double release = 0.0;
    };

    struct Voice {
        double note = 0.0;
        double pendingNote = 0.0;
        bool pending = false;
        double keyFrequency = 0.0;
        std::int64_t age = 0;             // samples since the note started
        std::int64_t lengthCountdown = 0; // control periods (or samples) left
        int controlCountdown = 0;         // samples to the next control update
        double cutoffModEnv = 0.0;
        std::array<SynthLfo, kLfoCount> lfos{};
        std::array<SynthOscillator, kOscillatorCount> oscillators{};
        std::array<int, kOscillatorCount> waveKinds{}; // chosen when the note starts
        SegmentEnvelope amplitude;
        SegmentEnvelope modulation;
        KeyTrackedFilter filter;
    };

    // Beats per cycle of a sync rate 1..31: 16/1 down to 1/1, then 1/2 to
    // 1/16.
    static int SyncNumerator(int rate) noexcept { return rate < 17 ? 17 - rate : 1; }
    static int SyncDenominator(int rate) noexcept { return rate < 17 ? 1 : rate - 15; }

    std::int32_t Stop(std::int32_t mode) override;

    const Voice& VoiceAt(int index) const { return voices_[index]; }

protected:
    enum class Channels { kMono, kStereo };

    SubtractiveSynth(MachineInfo info, ParameterTable table, Channels channels);

    // A synthesizer's description: a generator with no inputs and two
    // outputs.
    static MachineInfo SynthInfo(std::string name, std::string shortName);

    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void PlayNote(const EventRecord& note) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

    // Called after an event changed an LFO's Voice common or Key sync.
    virtual void LfoModeChanged() noexcept {}

    // The voice a new note goes to: the first free one, else the one that
    // started first.
    virtual Voice& ChooseVoice() noexcept;
    // Starts a pending voice's note; see the pieces below.
    virtual void StartVoice(Voice& voice) noexcept;
    void StartPendingVoices() noexcept;

    // Pieces of a voice start, for machines that start voices their own
    // way. BeginNote takes over the pending note; StartEnvelopes loads both
    // envelopes with stage lengths in ticks of the given samples each and a
    // peak (between attack and decay) of the given ticks; StartLfos sets up
    // the voice's LFOs to advance by the given samples per step; StartPitches
    // sets each oscillator's base pitch and the key frequency.
    void BeginNote(Voice& voice) noexcept;
    void StartEnvelopes(Voice& voice, double ampTick, double modTick, double ampPeak,
                        double modPeak) noexcept;
    void StartLfos(Voice& voice, double samplesPerStep) noexcept;
    void StartPitches(Voice& voice) noexcept;

    // Pieces of a control update. The LFO values a voice sees (faded in
    // after its note starts), its filter cutoff in Hz, the filter design
    // for a cutoff and resonance, an oscillator's pitch modulation in notes
    // and its amplitude, and the note length ending the note once it has
    // counted down the given units.
    std::array<double, kLfoCount> LfoValues(const Voice& voice) const noexcept;
    double VoiceCutoff(const Voice& voice, const std::array<double, kLfoCount>& lfo) const noexcept;
    void TuneFilter(Voice& voice, double cutoff, double resonance) const noexcept;
    double PitchModulation(int oscillator, double lfo1, double envelope) const noexcept;
    double OscillatorAmplitude(int oscillator, double lfo1) const noexcept;
    static void CountDownLength(Voice& voice, std::int64_t units) noexcept;

    // The common LFOs and the cutoff ramp a number of samples on at once.
    void AdvanceCommon(int samples) noexcept;

    bool OscillatorEnabled(int oscillator) const noexcept {
        return oscillatorSettings_[oscillator].enabled;
    }
    double Resonance() const noexcept { return resonance_; }
    double SampleRate() const noexcept { return rate_; }
    // Samples per unit of the note length countdown (set by Quality unless
    // the machine fixes it).
    void SetControlPeriod(int samples) noexcept { controlPeriod_ = samples; }

    std::array<Voice, kVoiceCount>& Voices() noexcept { return voices_; }

private:
    void ApplyOscillator(OscillatorSettings& osc, int parameter, double v) noexcept;
    void ApplyLfo(LfoSettings& lfo, int parameter, double v) noexcept;
    void ControlUpdate(Voice& voice) noexcept;
    template <Channels kChannels> void RenderVoices(int from, int to) noexcept;

    Channels channels_;
    double rate_ = kDspSampleRate;
    int controlPeriod_ = 11; // samples per control update, the interval + 1
    bool startPending_ = false;

    std::array<OscillatorSettings, kOscillatorCount> oscillatorSettings_{};
    std::array<LfoSettings, kLfoCount> lfoSettings_{};
    EnvelopeSettings ampEnvelope_;
    EnvelopeSettings modEnvelope_;
    ParameterRamp cutoff_;
    double resonance_ = 0.0; // cubed
    double cutoffModEnv_ = 0.0;
    int filterType_ = kFilterLowpass;
    int filterSlope_ = 0;
    std::array<double, kLfoCount> cutoffLfo_{};

    std::array<Voice, kVoiceCount> voices_{};
    std::array<double, kMaxChunkFrames> left_{};
    std::array<double, kMaxChunkFrames> right_{};
};

} // namespace tarn
