#pragma once

#include "base/ClassicRandom.h"
#include "dsp/PinkNoise.h"
#include "dsp/WavePairOscillator.h"
#include "machines/builtin/synth/SubtractiveSynth.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Corva Synth 2": the Corva Synth's second generation. Each oscillator
// plays a pair of waves whose offset is a pulse width (modulated by LFO 2),
// a white or pink noise source joins them, both envelopes hold full level
// for a punch time after the attack, and the voices play polyphonically,
// as one mono voice, or as one mono voice that slides legato notes without
// restarting its envelopes.
//
// Hard sync: whenever oscillator 1 starts a new cycle, oscillator 2 starts
// its own cycle again, placed where it would be had it restarted at the
// exact moment between two samples that oscillator 1 wrapped; oscillator 2
// then sounds at oscillator 1's period with its own pitch as the timbre.
// Oscillator 1 keeps time even when it is disabled.
//
// Modulation is worked out once per block of 16 samples and every moving
// value (pitch, pulse width, levels, amplitude envelope) glides to its new
// value over the block; events take effect at the start of the block they
// fall in.
class CorvaSynth2 : public SubtractiveSynth {
public:
    static constexpr int kBlockFrames = 16;

    enum Parameter2 : std::int32_t {
        kAmpPunch = 12,
        kModPunch = 31,
        kNoiseVolume = 80,
        kNoiseColour = 81,
        kVoiceMode = 301,
        kHardSync = 302,
        kNoiseFolder = 2,
    };
    // Oscillator parameters beyond the shared ones.
    enum OscillatorParameter2 : std::int32_t {
        kPulseWidth = 12,
        kPulseWidthLfo2 = 13,
    };
    enum VoiceMode : int { kPoly = 0, kMono = 1, kMonoLegato = 2 };

    CorvaSynth2();

protected:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;
    Voice& ChooseVoice() noexcept override;
    void StartVoice(Voice& voice) noexcept override;

private:
    struct PairSettings {
        int waveform = 0; // index into the wave pairs
        double pulseWidth = 0.0;
        double pulseWidthLfo2 = 0.0;
    };

    // What a voice needs beyond the shared voice: the pair oscillators, the
    // noise colour filter, the amplitude envelope's per-sample glide and the
    // pitch glide.
    struct PairVoice {
        std::array<WavePairOscillator, kOscillatorCount> oscillators{};
        std::array<int, kOscillatorCount> waveforms{}; // chosen when the note starts
        PinkNoise pink;
        double envelope = 0.0; // the amplitude envelope, per sample
        double envelopeStep = 0.0;
        double glide = 0.0; // notes from the target pitch
        double glideStep = 0.0;
        bool played = false; // has had a note, so there is a pitch to glide from
        bool jump = true;    // the next block starts at its values instead of gliding
    };

    bool Releasing(const Voice& voice) const noexcept;
    void ControlUpdate(Voice& voice, PairVoice& pair, int frames) noexcept;
    void RenderVoice(PairVoice& pair, Voice& voice, double* out, int frames) noexcept;
    double Noise(PairVoice& pair) noexcept;

    std::array<PairSettings, kOscillatorCount> pairSettings_{};
    double ampPunch_ = 0.0; // samples
    double modPunch_ = 0.0;
    double noiseVolume_ = 0.0;
    bool pinkNoise_ = false;
    double glideTime_ = 0.0; // samples
    int voiceMode_ = kPoly;
    bool hardSync_ = false;
    ClassicRandom random_{1};

    std::array<PairVoice, kVoiceCount> pairs_{};
    std::array<double, kMaxChunkFrames> mono_{};
};

} // namespace tarn
