#include "machines/builtin/CorvaSynth2.h"

#include "machines/builtin/synth/SubtractiveSynthRows.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

using S = SubtractiveSynth;
using C = CorvaSynth2;

// Each waveform is a pair of wave kinds, the second leading by a fixed part
// of a period: a sawtooth and a reversed one half a period apart make a
// square whose pulse width then shifts the second.
struct WavePair {
    int a;
    int b;
    double lead;
};
constexpr std::array<WavePair, 8> kWavePairs{{
    {kWaveSawtooth, kWaveSawtooth, 0.0},
    {kWaveSawtooth, kWaveReversedSawtooth, 0.5},
    {kWaveSine, kWaveSine, 0.0},
    {kWaveTriangle, kWaveTriangle, 0.0},
    {kWaveSawtooth, kWaveSquare, 0.0},
    {kWaveSquare, kWaveSquare, 0.0},
    {kWaveSawtooth, kWaveSine, 0.0},
    {kWaveSine, kWaveSquare, 0.0},
}};
constexpr std::array<const char*, 8> kPairNames{"Saw",   "Square", "Sin",        "Triangle",
                                                "Tooth", "Castle", "Analog Saw", "Jump"};
constexpr std::array<const char*, 3> kModeNames{"Poly", "Mono", "Mono AG"};

// Longest punch, at parameter value 1, and longest glide.
constexpr double kMaxPunchSeconds = 0.02;
constexpr double kMaxGlideSeconds = 10.0;
// Voices are summed at this level so that six of them leave headroom.
constexpr double kVoiceLevel = 0.2;

double Cube(double v) noexcept {
    return v * v * v;
}

// The shared oscillator rows with the wave pairs and a pulse width.
constexpr std::array<ParameterRow, 11> OscillatorRows() {
    std::array<ParameterRow, 11> rows{};
    std::copy(kSynthOscillatorRows.begin(), kSynthOscillatorRows.end(), rows.begin());
    for (ParameterRow& row : rows) {
        if (row.index == S::kWaveform) {
            row.maximum = kPairNames.size() - 1;
            row.names = kPairNames;
        }
    }
    rows[9] = {.index = C::kPulseWidth,
               .name = "Pulse width",
               .description = "Pulse width",
               .minimum = -0.5,
               .maximum = 0.5};
    rows[10] = {.index = C::kPulseWidthLfo2,
                .name = "PW mod (LFO2)",
                .description = "PW mod (LFO2)",
                .minimum = -0.5,
                .maximum = 0.5};
    return rows;
}

constexpr ParameterRow PunchRow(std::int32_t index, std::int32_t folder) {
    return {.index = index,
            .name = "Punch",
            .description = "Punch",
            .resolution = 0.0005,
            .folder = folder};
}

constexpr std::array<ParameterRow, 2> kNoiseRows{{
    {.index = C::kNoiseVolume,
     .name = "Volume",
     .description = "Volume",
     .resolution = 0.0005,
     .folder = C::kNoiseFolder},
    {.index = C::kNoiseColour,
     .name = "Color",
     .description = "Color",
     .type = kTypeByte,
     .resolution = 0.0,
     .folder = C::kNoiseFolder,
     .names = kNoiseColourNames},
}};

// The shared filter rows with a glide time in seconds.
constexpr std::array<ParameterRow, 11> FilterRows() {
    std::array<ParameterRow, 11> rows = kSynthFilterRows;
    for (ParameterRow& row : rows) {
        if (row.index == S::kGlideTime) {
            row.type = kTypeDouble;
            row.maximum = 1.0;
            row.defaultValue = 0.0;
            row.resolution = 0.0001;
        }
    }
    return rows;
}

constexpr std::array<ParameterRow, 2> kGlobalRows{{
    {.index = C::kVoiceMode,
     .name = "Voice mode",
     .description = "Voice mode",
     .type = kTypeByte,
     .maximum = 2.0,
     .resolution = 1.0,
     .folder = S::kGlobalFolder,
     .names = kModeNames},
    {.index = C::kHardSync,
     .name = "Osc 1>2 Hard sync",
     .description = "Osc 1>2 Hard sync",
     .type = kTypeSwitch,
     .resolution = 1.0,
     .folder = S::kGlobalFolder},
}};

constexpr auto kRows = JoinRows(
    std::array{NoteRow(S::kNote)}, kSynthAmpEnvelopeRows,
    std::array{PunchRow(C::kAmpPunch, S::kAmpEnvFolder)}, kSynthModEnvelopeRows,
    std::array{PunchRow(C::kModPunch, S::kModEnvFolder)}, OscillatorBankRows(OscillatorRows()),
    RepeatRows(kSynthLfoRows, kLfoBases), kNoiseRows, FilterRows(), kGlobalRows);

// The shared folders with the noise generator's after the envelopes'.
constexpr std::array<FolderRow, 13> Folders() {
    constexpr std::size_t kEnvelopes = 2;
    std::array<FolderRow, 13> folders{};
    std::copy_n(kSynthFolders.begin(), kEnvelopes, folders.begin());
    folders[kEnvelopes] = {C::kNoiseFolder, "Noise gen"};
    std::copy(kSynthFolders.begin() + kEnvelopes, kSynthFolders.end(),
              folders.begin() + kEnvelopes + 1);
    return folders;
}
constexpr auto kFolders = Folders();

} // namespace

CorvaSynth2::CorvaSynth2()
    : SubtractiveSynth(SynthInfo("Corva Synth 2", "CS2T"), ParameterTable{kRows, kFolders},
                       Channels::kMono) {
    // Note lengths count samples; the blocks do the rest.
    SetControlPeriod(1);
    QuantizeEvents(kBlockFrames);
}

void CorvaSynth2::Prepare(double rate) {
    SubtractiveSynth::Prepare(rate);
    pairs_ = {};
    random_ = ClassicRandom(1);
}

void CorvaSynth2::ApplyParameter(const EventRecord& event) noexcept {
    const std::int32_t index = event.index;
    const double v = event.value;
    const int offset = index - kOscillatorBase;
    if (offset >= 0 && offset < kOscillatorCount * kOscillatorStride) {
        PairSettings& pair = pairSettings_[offset / kOscillatorStride];
        switch (offset % kOscillatorStride) {
        case kWaveform:
            pair.waveform =
                std::clamp(TruncateValue(v), 0, static_cast<int>(kWavePairs.size()) - 1);
            return;
        case kPulseWidth:
            pair.pulseWidth = v;
            return;
        case kPulseWidthLfo2:
            pair.pulseWidthLfo2 = v;
            return;
        default:
            break;
        }
    }
    switch (index) {
    case kAmpPunch:
        ampPunch_ = Cube(v) * kMaxPunchSeconds * SampleRate();
        break;
    case kModPunch:
        modPunch_ = Cube(v) * kMaxPunchSeconds * SampleRate();
        break;
    case kNoiseVolume:
        noiseVolume_ = v;
        break;
    case kNoiseColour:
        pinkNoise_ = TruncateValue(v) != 0;
        break;
    case kGlideTime:
        glideTime_ = Cube(v) * kMaxGlideSeconds * SampleRate();
        break;
    case kVoiceMode:
        voiceMode_ = std::clamp(TruncateValue(v), 0, static_cast<int>(kMonoLegato));
        break;
    case kHardSync:
        hardSync_ = TruncateValue(v) != 0;
        break;
    default:
        SubtractiveSynth::ApplyParameter(event);
        break;
    }
}

SubtractiveSynth::Voice& CorvaSynth2::ChooseVoice() noexcept {
    return voiceMode_ == kPoly ? SubtractiveSynth::ChooseVoice() : Voices()[0];
}

bool CorvaSynth2::Releasing(const Voice& voice) const noexcept {
    const SegmentEnvelope& envelope = voice.amplitude;
    return envelope.current == SegmentEnvelope::kOff ||
           envelope.current == SegmentEnvelope::kRelease ||
           envelope.segments[SegmentEnvelope::kSustain].next == SegmentEnvelope::kRelease;
}

void CorvaSynth2::StartVoice(Voice& voice) noexcept {
    PairVoice& pair = pairs_[&voice - Voices().data()];
    const bool legato = voiceMode_ == kMonoLegato && !Releasing(voice);
    // Where the pitch is now, counted from the note.
    const double from = voice.note + pair.glide;
    BeginNote(voice);
    if (!legato) {
        // Envelopes step once per block.
        const double block = kBlockFrames;
        StartEnvelopes(voice, block, block, ampPunch_ / block, modPunch_ / block);
        pair.envelope = voice.amplitude.level;
        pair.envelopeStep = 0.0;
    }
    StartLfos(voice, 1.0);
    StartPitches(voice);
    // A voice's first note has nowhere to glide from; Mono AG glides only
    // between legato notes.
    const bool glide = pair.played && glideTime_ >= 1.0 && (voiceMode_ != kMonoLegato || legato);
    pair.glide = glide ? from - voice.note : 0.0;
    pair.glideStep = glide ? -pair.glide / glideTime_ : 0.0;
    pair.jump = !glide;
    pair.played = true;
    for (int k = 0; k < kOscillatorCount; ++k) {
        pair.waveforms[k] = pairSettings_[k].waveform;
    }
}

void CorvaSynth2::ControlUpdate(Voice& voice, PairVoice& pair, int frames) noexcept {
    const std::array<double, kLfoCount> lfo = LfoValues(voice);
    TuneFilter(voice, VoiceCutoff(voice, lfo), Resonance());

    const double env = voice.modulation.level;
    for (int k = 0; k < kOscillatorCount; ++k) {
        const PairSettings& settings = pairSettings_[k];
        const WavePair& waves = kWavePairs[pair.waveforms[k]];
        const WavePairOscillator::Target target{
            .pitch = voice.oscillators[k].basePitch + pair.glide + PitchModulation(k, lfo[0], env),
            .width = settings.pulseWidth + lfo[1] * settings.pulseWidthLfo2,
            .amplitude = OscillatorAmplitude(k, lfo[0])};
        pair.oscillators[k].Retune(waves.a, waves.b, waves.lead, target, SampleRate(), frames,
                                   pair.jump);
    }
    pair.jump = false;

    voice.modulation.Tick();
    for (SynthLfo& own : voice.lfos) {
        own.Advance(static_cast<std::uint32_t>(frames));
    }
    pair.envelopeStep = (voice.amplitude.Tick() - pair.envelope) / frames;
    if (pair.glideStep != 0.0) {
        const double next = pair.glide + pair.glideStep * frames;
        // Done once the glide crosses its target.
        const bool done = (next > 0.0) != (pair.glide > 0.0);
        pair.glide = done ? 0.0 : next;
        pair.glideStep = done ? 0.0 : pair.glideStep;
    }
    CountDownLength(voice, frames);
    voice.age += frames;
}

double CorvaSynth2::Noise(PairVoice& pair) noexcept {
    constexpr double kScale = 2.0 / ClassicRandom::kMaximum;
    const double white = random_.Next() * kScale - 1.0;
    return pinkNoise_ ? pair.pink.Process(white) : white;
}

void CorvaSynth2::RenderVoice(PairVoice& pair, Voice& voice, double* out, int frames) noexcept {
    WavePairOscillator& master = pair.oscillators[0];
    for (int i = 0; i < frames; ++i) {
        const std::uint32_t before = master.phase;
        double sum = 0.0;
        if (OscillatorEnabled(0)) {
            sum += master.Tick();
        } else if (hardSync_) {
            // A silent first oscillator still times the sync.
            master.Advance();
        }
        if (hardSync_ && master.phase < before) {
            pair.oscillators[1].SyncTo(master.phase, master.increment);
        }
        for (int k = 1; k < kOscillatorCount; ++k) {
            if (OscillatorEnabled(k)) {
                sum += pair.oscillators[k].Tick();
            }
        }
        if (noiseVolume_ > 0.0) {
            sum += Noise(pair) * noiseVolume_;
        }
        out[i] += voice.filter.Process(0, sum) * pair.envelope * kVoiceLevel;
        pair.envelope += pair.envelopeStep;
    }
}

void CorvaSynth2::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    StartPendingVoices();
    std::array<Voice, kVoiceCount>& voices = Voices();
    for (int block = from; block < to; block += kBlockFrames) {
        const int frames = std::min(kBlockFrames, to - block);
        std::fill_n(mono_.begin() + block, frames, 0.0);
        AdvanceCommon(frames);
        for (int v = 0; v < kVoiceCount; ++v) {
            if (voices[v].amplitude.current == SegmentEnvelope::kOff) {
                continue;
            }
            ControlUpdate(voices[v], pairs_[v], frames);
            RenderVoice(pairs_[v], voices[v], mono_.data() + block, frames);
        }
    }
    FanOut(record, mono_.data(), from, to);
}

} // namespace tarn
