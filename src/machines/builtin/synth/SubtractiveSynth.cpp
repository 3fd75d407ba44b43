#include "machines/builtin/synth/SubtractiveSynth.h"

#include "dsp/NotePitch.h"
#include "dsp/TablePosition.h"
#include "machines/framework/ParameterDisplay.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarn {
namespace {

// Longest envelope stage and LFO delay, at parameter value 1.
constexpr double kMaxTimeSeconds = 10.0;
constexpr double kMaxLfoHz = 10.0;
// The cutoff ramp crosses its whole range in this time.
constexpr double kCutoffSlewSeconds = 0.1;
// How long a note without a length of its own plays.
constexpr double kHeldNoteSeconds = 600.0;
// Pitch modulation at amount 1: four octaves.
constexpr double kPitchModNotes = 48.0;
// Voices are summed at this level so that six of them leave headroom.
constexpr double kVoiceLevel = 0.25;
// Control intervals run from 0 ("Perfect") to this ("Medium").
constexpr int kLongestControlInterval = 20;
constexpr int kOctaveCentre = 4;
constexpr int kSemiCentre = 12;
constexpr int kDetuneCentre = 50;
constexpr int kMaxSyncRate = 31;

// Wave kind per Waveform value.
constexpr std::array<int, 4> kWaveKinds{kWaveSawtooth, kWaveSquare, kWaveSine, kWaveTriangle};

double Cube(double v) noexcept {
    return v * v * v;
}

// A count of whole periods or samples that fits 64 bits; NaN gives 0.
std::int64_t WholeCount(double count) noexcept {
    constexpr double kMost = 1.0e15;
    return count > 0.0 ? static_cast<std::int64_t>(std::min(count, kMost)) : 0;
}

} // namespace

SubtractiveSynth::SubtractiveSynth(MachineInfo info, ParameterTable table, Channels channels)
    : BuiltinMachineBase(std::move(info), table), channels_(channels) {
    PlayEveryNote();
    Prepare(kDspSampleRate);
}

MachineInfo SubtractiveSynth::SynthInfo(std::string name, std::string shortName) {
    MachineInfo info = MachineInfo::Builtin(kKindGenerator, std::move(name), std::move(shortName));
    info.inputChannels = 0;
    info.outputChannels = 2;
    return info;
}

void SubtractiveSynth::Prepare(double rate) {
    rate_ = rate > 0.0 ? rate : kDspSampleRate;
    cutoff_.Init(1.0, 1.0, kCutoffSlewSeconds * rate_);
    for (LfoSettings& lfo : lfoSettings_) {
        lfo.common = SynthLfo{};
    }
    voices_ = {};
    for (Voice& voice : voices_) {
        voice.filter.filter.Init(rate_);
    }
    startPending_ = false;
}

void SubtractiveSynth::ApplyOscillator(OscillatorSettings& osc, int parameter, double v) noexcept {
    const int whole = TruncateValue(v);
    switch (parameter) {
    case kEnabled:
        osc.enabled = whole != 0;
        break;
    case kOctave:
        osc.octave = whole - kOctaveCentre;
        break;
    case kSemi:
        osc.semi = whole - kSemiCentre;
        break;
    case kDetune:
        osc.detune = whole - kDetuneCentre;
        break;
    case kWaveform:
        osc.waveKind = kWaveKinds[std::clamp(whole, 0, static_cast<int>(kWaveKinds.size()) - 1)];
        break;
    case kPan:
        // A balance: the centre leaves both sides at full level.
        osc.left = v >= 0.0 ? 1.0 - v : 1.0;
        osc.right = v >= 0.0 ? 1.0 : 1.0 + v;
        break;
    case kVolume:
        osc.volume = v;
        break;
    case kPitchLfo1:
        osc.pitchLfo1 = Cube(v);
        break;
    case kPitchModEnv:
        osc.pitchModEnv = Cube(v);
        break;
    case kVolumeLfo1:
        osc.volumeLfo1 = v;
        break;
    default:
        break;
    }
}

void SubtractiveSynth::ApplyLfo(LfoSettings& lfo, int parameter, double v) noexcept {
    const int whole = TruncateValue(v);
    switch (parameter) {
    case kShape:
        lfo.shape = std::clamp(whole, 0, kLfoShapeCount - 1);
        break;
    case kSpeed:
        lfo.speed = Cube(v) * kMaxLfoHz;
        break;
    case kVoiceCommon:
        lfo.voiceCommon = whole != 0;
        LfoModeChanged();
        break;
    case kKeySync:
        lfo.keySync = whole != 0;
        LfoModeChanged();
        break;
    case kStartPhase:
        lfo.startPhase = v;
        break;
    case kDelay:
        lfo.delay = Cube(v) * kMaxTimeSeconds * rate_;
        break;
    case kSyncRate:
        lfo.syncRate = std::clamp(whole, 0, kMaxSyncRate);
        break;
    default:
        break;
    }
}

void SubtractiveSynth::ApplyParameter(const EventRecord& event) noexcept {
    const std::int32_t index = event.index;
    const double v = event.value;
    if (index >= kOscillatorBase &&
        index < kOscillatorBase + kOscillatorCount * kOscillatorStride) {
        const int offset = index - kOscillatorBase;
        ApplyOscillator(oscillatorSettings_[offset / kOscillatorStride], offset % kOscillatorStride,
                        v);
        return;
    }
    if (index >= kLfoBase && index < kLfoBase + kLfoCount * kLfoStride) {
        const int offset = index - kLfoBase;
        ApplyLfo(lfoSettings_[offset / kLfoStride], offset % kLfoStride, v);
        return;
    }
    const double time = Cube(v) * kMaxTimeSeconds * rate_;
    switch (index) {
    case kAmpAttack:
        ampEnvelope_.attack = time;
        break;
    case kAmpDecay:
        ampEnvelope_.decay = time;
        break;
    case kAmpSustain:
        ampEnvelope_.sustain = v;
        break;
    case kAmpRelease:
        ampEnvelope_.release = time;
        break;
    case kModAttack:
        modEnvelope_.attack = time;
        break;
    case kModDecay:
        modEnvelope_.decay = time;
        break;
    case kModSustain:
        modEnvelope_.sustain = v;
        break;
    case kModRelease:
        modEnvelope_.release = time;
        break;
    case kCutoff: {
        const double end = std::isfinite(event.endValue) ? std::clamp(event.endValue, 0.0, 1.0) : v;
        const double glide = event.glideLength * samplesPerBeat;
        cutoff_.Set(v, end, std::isfinite(glide) && glide > 0.0 ? glide : 0.0);
        break;
    }
    case kResonance:
        resonance_ = Cube(v);
        break;
    case kCutoffModEnv:
        cutoffModEnv_ = Cube(v);
        break;
    case kFilterType:
        filterType_ = std::clamp(TruncateValue(v), 0, kFilterTypeCount - 1);
        break;
    case kFilterSlope:
        filterSlope_ = std::clamp(TruncateValue(v), 0, MultimodeFilter::kMaxSections - 1);
        break;
    case kCutoffLfo1:
        cutoffLfo_[0] = v;
        break;
    case kCutoffLfo2:
        cutoffLfo_[1] = v;
        break;
    case kQuality:
        // A control update every interval + 1 samples: every sample at
        // "Perfect".
        controlPeriod_ =
            kLongestControlInterval - std::clamp(TruncateValue(v), 0, kLongestControlInterval) + 1;
        break;
    default:
        // Resonance modulation and the glide pair are stored by the host
        // only; they do not change the sound.
        break;
    }
}

void SubtractiveSynth::PlayNote(const EventRecord& note) noexcept {
    if (!(note.velocity > 0.0)) {
        for (Voice& voice : voices_) {
            if (!voice.pending && voice.note == note.value) {
                voice.amplitude.Release();
                voice.modulation.Release();
            }
        }
        return;
    }
    const double length =
        note.noteLength > 0.0 ? note.noteLength * samplesPerBeat : kHeldNoteSeconds * rate_;
    Voice& chosen = ChooseVoice();
    chosen.pending = true;
    chosen.pendingNote = note.value;
    chosen.age = 0;
    chosen.lengthCountdown = WholeCount(length / controlPeriod_);
    startPending_ = true;
}

SubtractiveSynth::Voice& SubtractiveSynth::ChooseVoice() noexcept {
    for (Voice& voice : voices_) {
        if (voice.amplitude.current == SegmentEnvelope::kOff && !voice.pending) {
            return voice;
        }
    }
    // Take over the note that started first.
    return *std::max_element(voices_.begin(), voices_.end(),
                             [](const Voice& a, const Voice& b) { return a.age < b.age; });
}

void SubtractiveSynth::StartPendingVoices() noexcept {
    if (!startPending_) {
        return;
    }
    for (Voice& voice : voices_) {
        if (voice.pending) {
            StartVoice(voice);
        }
    }
    startPending_ = false;
}

void SubtractiveSynth::BeginNote(Voice& voice) noexcept {
    voice.note = voice.pendingNote;
    voice.cutoffModEnv = cutoffModEnv_;
    voice.pending = false;
    voice.age = 0;
}

void SubtractiveSynth::StartEnvelopes(Voice& voice, double ampTick, double modTick, double ampPeak,
                                      double modPeak) noexcept {
    voice.amplitude.Start({.attack = ampEnvelope_.attack / ampTick,
                           .peak = ampPeak,
                           .decay = ampEnvelope_.decay / ampTick,
                           .sustain = ampEnvelope_.sustain,
                           .release = ampEnvelope_.release / ampTick});
    voice.modulation.Start({.attack = modEnvelope_.attack / modTick,
                            .peak = modPeak,
                            .decay = modEnvelope_.decay / modTick,
                            .sustain = modEnvelope_.sustain,
                            .release = modEnvelope_.release / modTick});
}

void SubtractiveSynth::StartLfos(Voice& voice, double samplesPerStep) noexcept {
    for (int k = 0; k < kLfoCount; ++k) {
        LfoSettings& settings = lfoSettings_[k];
        SynthLfo& own = voice.lfos[k];
        settings.fadeRate = settings.delay > 1.0 ? 1.0 / settings.delay : 1.0;
        if (settings.keySync) {
            own.phase = settings.common.phase = PhaseOf(settings.startPhase);
        }
        const double rate = settings.syncRate > 0
                                ? 1.0 / (samplesPerBeat * SyncNumerator(settings.syncRate) /
                                         SyncDenominator(settings.syncRate))
                                : settings.speed / rate_;
        settings.common.increment = PhaseOf(rate);
        own.increment = PhaseOf(rate * samplesPerStep);
        settings.common.SetShape(settings.shape);
        own.SetShape(settings.shape);
    }
}

void SubtractiveSynth::StartPitches(Voice& voice) noexcept {
    double lowest = 0.0;
    for (int k = 0; k < kOscillatorCount; ++k) {
        const OscillatorSettings& settings = oscillatorSettings_[k];
        const double pitch =
            voice.note + settings.octave * 12 + settings.semi + settings.detune * 0.01;
        voice.oscillators[k].basePitch = pitch;
        voice.waveKinds[k] = settings.waveKind;
        lowest = k == 0 ? pitch : std::min(lowest, pitch);
    }
    voice.keyFrequency = NoteFrequency(std::clamp(RoundToNearest(lowest), 0, kNoteMask));
}

void SubtractiveSynth::StartVoice(Voice& voice) noexcept {
    const double period = controlPeriod_;
    BeginNote(voice);
    // The modulation envelope advances once per control update.
    StartEnvelopes(voice, 1.0, period, 1.0, 1.0);
    StartLfos(voice, period);
    StartPitches(voice);
    // The new pitch and filter apply from the first sample, not after
    // whatever was left of the previous note's control period.
    voice.controlCountdown = 0;
}

std::array<double, SubtractiveSynth::kLfoCount>
SubtractiveSynth::LfoValues(const Voice& voice) const noexcept {
    std::array<double, kLfoCount> lfo{};
    for (int k = 0; k < kLfoCount; ++k) {
        const LfoSettings& settings = lfoSettings_[k];
        lfo[k] = settings.voiceCommon ? settings.common.value : voice.lfos[k].value;
        const double fade = static_cast<double>(voice.age) * settings.fadeRate;
        if (fade < 1.0) {
            lfo[k] *= fade;
        }
    }
    return lfo;
}

double SubtractiveSynth::VoiceCutoff(const Voice& voice,
                                     const std::array<double, kLfoCount>& lfo) const noexcept {
    const double position = cutoff_.value + lfo[0] * cutoffLfo_[0] + lfo[1] * cutoffLfo_[1] +
                            voice.modulation.level * voice.cutoffModEnv;
    return KeyTrackedFilter::Cutoff(voice.keyFrequency, position);
}

void SubtractiveSynth::TuneFilter(Voice& voice, double cutoff, double resonance) const noexcept {
    voice.filter.Tune(cutoff, resonance, filterType_, filterSlope_);
}

double SubtractiveSynth::PitchModulation(int oscillator, double lfo1,
                                         double envelope) const noexcept {
    const OscillatorSettings& settings = oscillatorSettings_[oscillator];
    return (lfo1 * settings.pitchLfo1 + envelope * settings.pitchModEnv) * kPitchModNotes;
}

double SubtractiveSynth::OscillatorAmplitude(int oscillator, double lfo1) const noexcept {
    const OscillatorSettings& settings = oscillatorSettings_[oscillator];
    return (lfo1 * settings.volumeLfo1 + 1.0) * settings.volume;
}

void SubtractiveSynth::CountDownLength(Voice& voice, std::int64_t units) noexcept {
    if (voice.lengthCountdown < 0) {
        voice.amplitude.Release();
        voice.modulation.Release();
    } else {
        voice.lengthCountdown -= units;
    }
}

void SubtractiveSynth::AdvanceCommon(int samples) noexcept {
    for (LfoSettings& settings : lfoSettings_) {
        settings.common.Advance(static_cast<std::uint32_t>(samples));
    }
    cutoff_.Advance(samples);
}

void SubtractiveSynth::ControlUpdate(Voice& voice) noexcept {
    const std::array<double, kLfoCount> lfo = LfoValues(voice);
    const double cutoff = VoiceCutoff(voice, lfo);
    // Resonance is gentler near the key, where it would whistle on the
    // fundamental.
    const double resonance =
        (0.4 + 0.6 * std::sqrt(std::abs(cutoff - voice.keyFrequency) * 0.00005)) * resonance_;
    TuneFilter(voice, cutoff, resonance);

    const double env = voice.modulation.level;
    for (int k = 0; k < kOscillatorCount; ++k) {
        SynthOscillator& osc = voice.oscillators[k];
        osc.amplitude = OscillatorAmplitude(k, lfo[0]);
        osc.Tune(voice.waveKinds[k], osc.basePitch + PitchModulation(k, lfo[0], env), rate_);
    }

    voice.modulation.Tick();
    for (SynthLfo& own : voice.lfos) {
        own.Advance();
    }
    CountDownLength(voice, 1);
}

template <SubtractiveSynth::Channels kChannels>
void SubtractiveSynth::RenderVoices(int from, int to) noexcept {
    for (int frame = from; frame < to; ++frame) {
        double left = 0.0;
        double right = 0.0;
        for (Voice& voice : voices_) {
            if (voice.amplitude.current == SegmentEnvelope::kOff) {
                continue;
            }
            if (voice.controlCountdown > 0) {
                --voice.controlCountdown;
            } else {
                ControlUpdate(voice);
                voice.controlCountdown = controlPeriod_ - 1;
            }
            double sumLeft = 0.0;
            double sumRight = 0.0;
            for (int k = 0; k < kOscillatorCount; ++k) {
                if (!oscillatorSettings_[k].enabled) {
                    continue;
                }
                const double x = voice.oscillators[k].Tick();
                if constexpr (kChannels == Channels::kStereo) {
                    sumLeft += x * oscillatorSettings_[k].left;
                    sumRight += x * oscillatorSettings_[k].right;
                } else {
                    sumLeft += x;
                }
            }
            const double gain = voice.amplitude.level * kVoiceLevel;
            left += voice.filter.Process(0, sumLeft) * gain;
            if constexpr (kChannels == Channels::kStereo) {
                right += voice.filter.Process(1, sumRight) * gain;
            }
            voice.amplitude.Tick();
            ++voice.age;
        }
        left_[frame] = left;
        right_[frame] = right;
        for (LfoSettings& settings : lfoSettings_) {
            settings.common.Advance();
        }
        cutoff_.Tick();
    }
}

void SubtractiveSynth::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    StartPendingVoices();
    if (channels_ == Channels::kMono) {
        RenderVoices<Channels::kMono>(from, to);
        FanOut(record, left_.data(), from, to);
        return;
    }
    RenderVoices<Channels::kStereo>(from, to);
    if (record.outputs == nullptr) {
        return;
    }
    const std::array<const double*, 2> sides{left_.data(), right_.data()};
    for (int channel = 0; channel < Info().outputChannels && channel < 2; ++channel) {
        const ChannelBufferRecord* output = record.outputs[channel];
        if (output != nullptr && output->samples != nullptr) {
            std::copy(sides[channel] + from, sides[channel] + to, output->samples + from);
        }
    }
}

std::int32_t SubtractiveSynth::Stop(std::int32_t mode) {
    if (mode == 1) {
        for (Voice& voice : voices_) {
            voice.amplitude.Silence();
            voice.modulation.Silence();
            voice.pending = false;
        }
        startPending_ = false;
    }
    return 1;
}

} // namespace tarn
