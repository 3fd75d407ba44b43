#include "machines/builtin/Widestrings.h"

#include "dsp/DspLibrary.h"
#include "dsp/NotePitch.h"
#include "machines/framework/ParameterDisplay.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarn {
namespace {

// The string envelope, in seconds, and its sustain level.
constexpr double kAttackSeconds = 0.08;
constexpr double kDecaySeconds = 0.3;
constexpr double kSustain = 0.7;
constexpr double kReleaseSeconds = 0.4;
// The four oscillators are summed at a quarter each.
constexpr double kMixScale = 0.25;

constexpr std::int32_t kOscillatorsFolder = 0;

constexpr FolderRow Folder(int k, const char* name) {
    return {.index = 10 + k, .name = name, .parent = kOscillatorsFolder, .flag = 0};
}

constexpr FolderRow kFolders[] = {
    Folder(0, "Oscillator 0"),
    Folder(1, "Oscillator 1"),
    Folder(2, "Oscillator 2"),
    Folder(3, "Oscillator 3"),
    {.index = kOscillatorsFolder, .name = "Oscillators", .parent = -1, .flag = 0},
};

constexpr std::array<ParameterRow, 3> OscillatorRows(int k) {
    const std::int32_t folder = 10 + k;
    return {{
        {.index = Widestrings::Oscillator(k, Widestrings::kWave),
         .name = "Wave",
         .description = "Oscillator waveform\n0 Saw, 1 Square, 2 Sin, 3 Triangle, 4 Analog Saw",
         .type = kTypeByte,
         .maximum = 4.0,
         .resolution = 1.0,
         .folder = folder},
        {.index = Widestrings::Oscillator(k, Widestrings::kVolume),
         .name = "Volume",
         .description = "Oscillator Volume",
         .defaultValue = 1.0,
         .resolution = 1.0,
         .folder = folder},
        {.index = Widestrings::Oscillator(k, Widestrings::kPan),
         .name = "Pan",
         .description = "Oscillator Pan\n-1 left, 0 centre, 1 right",
         .minimum = -1.0,
         .maximum = 1.0,
         .resolution = 1.0,
         .folder = folder},
    }};
}

constexpr auto kRows = [] {
    std::array<ParameterRow, 2 + 3 * Widestrings::kOscillators> rows{};
    rows[0] = {.index = Widestrings::kNote,
               .name = "Note",
               .description = "Note",
               .type = kTypeNote,
               .maximum = 127.0,
               .resolution = 1.0,
               .folder = -1};
    rows[1] = {.index = Widestrings::kTest,
               .name = "Test",
               .description = "Test\nNot heard",
               .type = kTypeWord,
               .maximum = 1000.0,
               .defaultValue = 1000.0,
               .resolution = 1.0,
               .folder = -1};
    auto out = rows.begin() + 2;
    for (int k = 0; k < Widestrings::kOscillators; ++k) {
        const auto oscillator = OscillatorRows(k);
        out = std::copy(oscillator.begin(), oscillator.end(), out);
    }
    return rows;
}();

MachineInfo WidestringsInfo() {
    MachineInfo info = MachineInfo::Builtin(kKindGenerator, "Tarn Widestrings", "TWS");
    info.author.clear();
    return info;
}

} // namespace

Widestrings::Widestrings()
    : BuiltinMachineBase(WidestringsInfo(), ParameterTable{kRows, kFolders}) {
    Prepare(kDspSampleRate);
}

void Widestrings::Prepare(double rate) {
    rate_ = rate;
    for (Voice& voice : voices_) {
        voice.oscillator = BandLimitedOscillator{};
        voice.oscillator.sampleRate = rate;
        voice.oscillator.waveSet = WaveSetFor(kWaveSawtooth);
        Place(voice);
    }
    envelope_ = SegmentEnvelope{};
    envelope_.segments[SegmentEnvelope::kAttack].length = kAttackSeconds * rate;
    envelope_.segments[SegmentEnvelope::kDecay].length = kDecaySeconds * rate;
    envelope_.segments[SegmentEnvelope::kRelease].length = kReleaseSeconds * rate;
    envelope_.SetSustainLevel(kSustain);
    noteRemaining_ = 0;
}

void Widestrings::Place(Voice& voice) noexcept {
    // Equal power across the field: -3 dB on each side at the centre.
    const double angle = (voice.pan + 1.0) * std::numbers::pi / 4.0;
    voice.left = std::cos(angle) * voice.volume * kMixScale;
    voice.right = std::sin(angle) * voice.volume * kMixScale;
}

void Widestrings::ApplyParameter(const EventRecord& event) noexcept {
    const std::int32_t index = event.index - kOscillatorBase;
    if (index < 0 || index >= kOscillators * kOscillatorStride) {
        return; // the Test value is kept by the host and not heard
    }
    Voice& voice = voices_[index / kOscillatorStride];
    switch (index % kOscillatorStride) {
    case kWave:
        voice.oscillator.waveSet =
            WaveSetFor(kWaveformKinds[std::clamp(TruncateValue(event.value), 0, 4)]);
        break;
    case kVolume:
        voice.volume = event.value;
        Place(voice);
        break;
    case kPan:
        voice.pan = event.value;
        Place(voice);
        break;
    default:
        break;
    }
}

void Widestrings::PlayNote(const EventRecord& note) noexcept {
    if (!(note.velocity > 0.0)) {
        envelope_.Release();
        noteRemaining_ = 0;
        return;
    }
    for (int k = 0; k < kOscillators; ++k) {
        BandLimitedOscillator& oscillator = voices_[k].oscillator;
        oscillator.pitch = ClampPitch(note.value + kDetuneCents[k] * 0.01);
        oscillator.GlideTo(oscillator.pitch, 0.0);
    }
    envelope_.Start();
    noteRemaining_ =
        note.noteLength > 0.0 ? std::max(TruncateValue(note.noteLength * samplesPerBeat), 1) : 0;
}

void Widestrings::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    for (int frame = from; frame < to; ++frame) {
        double left = 0.0;
        double right = 0.0;
        for (Voice& voice : voices_) {
            const double x = voice.oscillator.Tick();
            left += x * voice.left;
            right += x * voice.right;
        }
        const double level = envelope_.level;
        left_[frame] = left * level;
        right_[frame] = right * level;
        envelope_.Tick();
        if (noteRemaining_ > 0 && --noteRemaining_ == 0) {
            envelope_.Release();
        }
    }
    if (record.outputs == nullptr) {
        return;
    }
    for (int channel = 0; channel < Info().outputChannels; ++channel) {
        const ChannelBufferRecord* output = record.outputs[channel];
        if (output != nullptr && output->samples != nullptr) {
            const double* source = channel % 2 == 0 ? left_.data() : right_.data();
            std::copy(source + from, source + to, output->samples + from);
        }
    }
}

std::int32_t Widestrings::Stop(std::int32_t mode) {
    if (mode == 1) {
        envelope_.Silence();
        noteRemaining_ = 0;
    }
    return 1;
}

} // namespace tarn
