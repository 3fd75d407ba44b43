#include "machines/builtin/Synth.h"

#include "dsp/BiquadCoefficients.h"
#include "dsp/DspLibrary.h"
#include "dsp/FixedPhase.h"
#include "dsp/NotePitch.h"
#include "machines/framework/ParameterDisplay.h"

#include <algorithm>

namespace tarn {
namespace {

constexpr double kHighestCutoffHz = 20000.0;
constexpr double kLowestCutoffHz = 30.0;
constexpr double kStartLfoHz = 7.0;
// The four oscillators are summed at a quarter each.
constexpr double kMixScale = 0.25;
// Filter coefficients are recomputed once every this many samples.
constexpr int kCoefficientInterval = 5;
// The most the filter moves per coefficient update: half an octave, and a
// twentieth of the resonance range.
constexpr double kCutoffStepRatio = 1.4142135623730951;
constexpr double kResonanceStep = 0.05;
// The LFO swings the pitch of an oscillator with full Pitch mod by an
// octave either way.
constexpr double kPitchModNotes = 12.0;
// The longest attack and glide, and the longest decay, in milliseconds.
constexpr double kLongestAttackMs = 2000.0;
constexpr double kLongestDecayMs = 5000.0;

constexpr std::int32_t kAdsrFolder = 0;
constexpr std::int32_t kOscillatorsFolder = 1;
constexpr std::int32_t kLfosFolder = 2;
constexpr std::int32_t kLfoFolder = 200;

constexpr FolderRow kFolders[] = {
    {.index = kAdsrFolder, .name = "ADSR"},
    {.index = kOscillatorsFolder, .name = "Oscillators"},
    {.index = kLfosFolder, .name = "LFOs"},
    {.index = kLfoFolder, .name = "LFO 1", .parent = kLfosFolder, .flag = 0},
    {.index = Synth::Oscillator(0, 0), .name = "Osc 1", .parent = kOscillatorsFolder, .flag = 0},
    {.index = Synth::Oscillator(1, 0), .name = "Osc 2", .parent = kOscillatorsFolder, .flag = 0},
    {.index = Synth::Oscillator(2, 0), .name = "Osc 3", .parent = kOscillatorsFolder, .flag = 0},
    {.index = Synth::Oscillator(3, 0), .name = "Osc 4", .parent = kOscillatorsFolder, .flag = 0},
};

constexpr std::array<ParameterRow, 7> OscillatorRows(int k) {
    const std::int32_t folder = Synth::Oscillator(k, 0);
    const auto at = [k](std::int32_t parameter) { return Synth::Oscillator(k, parameter); };
    return {{
        {.index = at(Synth::kDetune),
         .name = "Detune",
         .description = "Detune",
         .minimum = -100.0,
         .maximum = 100.0,
         .resolution = 0.05,
         .folder = folder},
        {.index = at(Synth::kOctave),
         .name = "Octave",
         .description = "Octave",
         .type = kTypeByte,
         .minimum = -5.0,
         .maximum = 5.0,
         .resolution = 1.0,
         .folder = folder},
        {.index = at(Synth::kPan),
         .name = "Pan",
         .description = "Pan",
         .minimum = -1.0,
         .maximum = 1.0,
         .folder = folder},
        {.index = at(Synth::kVolume),
         .name = "Volume",
         .description = "Volume",
         .defaultValue = 1.0,
         .folder = folder},
        {.index = at(Synth::kWaveform),
         .name = "Waveform",
         .description = "Waveform",
         .type = kTypeByte,
         .maximum = 3.0,
         .resolution = 1.0,
         .folder = folder},
        // The first oscillator is on from the start, so a new Synth sounds.
        {.index = at(Synth::kEnabled),
         .name = "Enabled",
         .description = "Enabled",
         .type = kTypeSwitch,
         .defaultValue = k == 0 ? 1.0 : 0.0,
         .resolution = 1.0,
         .folder = folder},
        {.index = at(Synth::kPitchMod),
         .name = "Pitch mod (LFO1)",
         .description = "Pitch mod (LFO1)",
         .resolution = 1.0,
         .folder = folder},
    }};
}

constexpr ParameterRow TimeRow(std::int32_t index, const char* name, const char* description,
                               std::int32_t type, double longest, std::int32_t folder) {
    return {.index = index,
            .name = name,
            .description = description,
            .type = type,
            .maximum = longest,
            .defaultValue = 10.0,
            .resolution = type == kTypeDouble ? 0.05 : 1.0,
            .folder = folder};
}

constexpr std::array<ParameterRow, 11> kVoiceRows{{
    NoteRow(Synth::kNote),
    TimeRow(Synth::kAttack, "Attack", "Attack Length\nMilliseconds", kTypeByte, kLongestAttackMs,
            kAdsrFolder),
    TimeRow(Synth::kFilterAttack, "Filter Attack", "Filter Attack Length\nMilliseconds", kTypeByte,
            kLongestAttackMs, -1),
    TimeRow(Synth::kDecay, "Decay", "Decay Length\nMilliseconds", kTypeDouble, kLongestDecayMs,
            kAdsrFolder),
    TimeRow(Synth::kFilterDecay, "Filter Decay", "Filter Decay Length\nMilliseconds", kTypeDouble,
            kLongestDecayMs, -1),
    {.index = Synth::kSustain,
     .name = "Sustain level",
     .description = "Sustain level",
     .resolution = 0.05,
     .folder = kAdsrFolder},
    TimeRow(Synth::kGlideTime, "Glide time", "Glide time\nMilliseconds", kTypeByte,
            kLongestAttackMs, -1),
    {.index = Synth::kGlide,
     .name = "Glide",
     .description = "Glide",
     .type = kTypeSwitch,
     .resolution = 1.0,
     .folder = -1},
    {.index = Synth::kCutoff,
     .name = "Cutoff",
     .description = "Filter cutoff",
     .defaultValue = 1.0,
     .resolution = 1.0,
     .folder = -1},
    {.index = Synth::kResonance,
     .name = "Resonance",
     .description = "Filter resonance",
     .resolution = 1.0,
     .folder = -1},
    {.index = Synth::kEnvMod,
     .name = "Env Mod",
     .description = "Envelope modulation",
     .resolution = 1.0,
     .folder = -1},
}};

constexpr auto kRows = [] {
    std::array<ParameterRow, 1 + Synth::kOscillators * 7 + kVoiceRows.size()> rows{};
    rows[0] = {.index = Synth::kLfoSpeed,
               .name = "Speed",
               .description = "Speed\nHz",
               .minimum = 0.1,
               .maximum = 10.0,
               .defaultValue = 1.0,
               .resolution = 0.05,
               .folder = kLfoFolder};
    auto out = rows.begin() + 1;
    for (int k = 0; k < Synth::kOscillators; ++k) {
        const auto oscillator = OscillatorRows(k);
        out = std::copy(oscillator.begin(), oscillator.end(), out);
    }
    std::copy(kVoiceRows.begin(), kVoiceRows.end(), out);
    return rows;
}();

MachineInfo SynthInfo() {
    MachineInfo info = MachineInfo::Builtin(kKindGenerator, "Tarn Synth", "TSynth");
    info.maxTracks = 4;
    return info;
}

} // namespace

Synth::Synth() : BuiltinMachineBase(SynthInfo(), ParameterTable{kRows, kFolders}) {
    Prepare(kDspSampleRate);
}

double Synth::Samples(double milliseconds) const noexcept {
    return milliseconds * 0.001 * rate_;
}

void Synth::Prepare(double rate) {
    rate_ = rate;
    for (Voice& voice : voices_) {
        voice.oscillator = BandLimitedOscillator{};
        voice.oscillator.sampleRate = rate;
        voice.oscillator.waveSet = WaveSetFor(kWaveSawtooth);
    }
    lfo_ = SynthLfo{};
    lfo_.increment = PhaseIncrement(kStartLfoHz / rate);
    amplitude_ = EnvelopeGenerator{};
    filterEnvelope_ = EnvelopeGenerator{};
    filter_ = BiquadSection{};
    coefficientCounter_ = 0;
    cutoffInUse_ = kHighestCutoffHz;
    resonanceInUse_ = 0.0;
    glideRow_ = false;
    glidePending_ = false;
    releaseCountdown_ = 0.0;
}

void Synth::ApplyParameter(const EventRecord& event) noexcept {
    const double v = event.value;
    const std::int32_t index = event.index;
    if (index >= kOscillatorBase && index < kOscillatorBase + kOscillators * kOscillatorStride) {
        Voice& voice = voices_[(index - kOscillatorBase) / kOscillatorStride];
        switch ((index - kOscillatorBase) % kOscillatorStride) {
        case kEnabled:
            voice.enabled = TruncateValue(v) != 0;
            break;
        case kOctave:
            voice.octave = TruncateValue(v);
            break;
        case kDetune:
            voice.detune = v;
            break;
        case kWaveform:
            voice.oscillator.waveSet =
                WaveSetFor(kWaveformKinds[std::clamp(TruncateValue(v), 0, 3)]);
            break;
        case kPan:
            voice.pan = v;
            break;
        case kVolume:
            voice.volume = v;
            break;
        case kPitchMod:
            voice.pitchMod = v;
            break;
        default:
            break;
        }
        return;
    }
    switch (index) {
    case kLfoSpeed:
        lfo_.increment = PhaseIncrement(v / rate_);
        break;
    case kGlide:
        glideRow_ = TruncateValue(v) != 0;
        break;
    case kGlideTime:
        glideTime_ = Samples(v);
        break;
    case kAttack:
        amplitude_.attackLength = Samples(v);
        break;
    case kDecay:
        amplitude_.decayLength = Samples(v);
        break;
    case kSustain:
        amplitude_.sustain = v;
        break;
    case kFilterAttack:
        filterEnvelope_.attackLength = Samples(v);
        break;
    case kFilterDecay:
        filterEnvelope_.decayLength = Samples(v);
        break;
    case kCutoff:
        cutoff_ = std::min(v * v * v * kHighestCutoffHz, kHighestCutoffHz);
        break;
    case kResonance:
        resonance_ = std::min(v, 1.0);
        break;
    case kEnvMod:
        envMod_ = std::min(v * v * v, 1.0);
        break;
    default:
        break;
    }
}

void Synth::PlayNote(const EventRecord& note) noexcept {
    if (!(note.velocity > 0.0)) {
        // A key release ends a note held for a glide; the others end by
        // themselves after their decay.
        amplitude_.releaseRequest = true;
        glidePending_ = false;
        releaseCountdown_ = 0.0;
        return;
    }
    for (Voice& voice : voices_) {
        const double pitch = ClampPitch(note.value + 12.0 * voice.octave + voice.detune * 0.01);
        if (glidePending_) {
            voice.oscillator.GlideTo(pitch, glideTime_);
        } else {
            voice.oscillator.pitch = pitch;
            voice.oscillator.GlideTo(pitch, 0.0);
        }
    }
    const bool slid = glidePending_;
    if (!slid) {
        amplitude_.Start();
        filterEnvelope_.Start();
    }
    glidePending_ = glideRow_;
    // Without a glide of its own the note plays its attack and decay and
    // ends there; a note that slid in, when the envelope is long past its
    // decay, slides and then plays a decay's length before it ends, so
    // that it is heard at all.
    amplitude_.releaseRequest = !glideRow_ && !slid;
    releaseCountdown_ =
        !glideRow_ && slid ? std::max(glideTime_ + amplitude_.decayLength, 1.0) : 0.0;
    glideRow_ = false;
}

double Synth::RenderFrame() noexcept {
    if (coefficientCounter_ == 0) {
        const double cutoff =
            std::clamp(filterEnvelope_.output * envMod_ * kHighestCutoffHz + cutoff_,
                       kLowestCutoffHz, kHighestCutoffHz);
        // A resonant biquad whose coefficients jump far while it rings can
        // throw out peaks hundreds of times its input; moving by a limited
        // step per update (a full sweep in about 2 ms) keeps it in bounds.
        cutoffInUse_ = std::clamp(cutoff, cutoffInUse_ * (1.0 / kCutoffStepRatio),
                                  cutoffInUse_ * kCutoffStepRatio);
        resonanceInUse_ = std::clamp(resonance_, resonanceInUse_ - kResonanceStep,
                                     resonanceInUse_ + kResonanceStep);
        coefficients_ = DesignLowpass(cutoffInUse_, ResonanceToQ(resonanceInUse_), rate_);
    }
    coefficientCounter_ = (coefficientCounter_ + 1) % kCoefficientInterval;

    double x = 0.0;
    for (const Voice& voice : voices_) {
        x += voice.enabled ? voice.oscillator.output : 0.0;
    }
    const double out = filter_.Process(coefficients_, x * kMixScale) * amplitude_.output;

    const double lfo = lfo_.value;
    for (Voice& voice : voices_) {
        if (voice.enabled) {
            BandLimitedOscillator& oscillator = voice.oscillator;
            // Held within the note range: a pitch past either end would wrap
            // into another octave.
            const double pitch = oscillator.pitch + voice.pitchMod * lfo * kPitchModNotes;
            oscillator.pitchOffset = ClampPitch(pitch) - oscillator.pitch;
            oscillator.Tick();
        }
    }
    if (releaseCountdown_ > 0.0 && (releaseCountdown_ -= 1.0) <= 0.0) {
        amplitude_.releaseRequest = true;
    }
    amplitude_.Tick();
    filterEnvelope_.Tick();
    lfo_.Advance();
    return out;
}

void Synth::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    for (int frame = from; frame < to; ++frame) {
        mono_[frame] = RenderFrame();
    }
    FanOut(record, mono_.data(), from, to);
}

std::int32_t Synth::Stop(std::int32_t mode) {
    if (mode == 1) {
        amplitude_.state = EnvelopeGenerator::kOff;
        glidePending_ = false;
        releaseCountdown_ = 0.0;
    }
    return 1;
}

} // namespace tarn
