#include "machines/builtin/ChipChords.h"

#include "dsp/DspLibrary.h"
#include "machines/framework/ParameterDisplay.h"

#include <algorithm>

namespace tarn {
namespace {

constexpr double kStartStepSeconds = 0.002;
constexpr double kStartAttackSeconds = 0.01;
constexpr double kStartDecaySeconds = 1.0;
constexpr double kStartPitch = 12.0;
constexpr int kSteps = 4;
constexpr int kHighestNote = 127;

constexpr ParameterRow kRows[] = {
    NoteRow(ChipChords::kRoot, "Root Note", "Root Note"),
    {.index = ChipChords::kNotes,
     .name = "Notes",
     .description = "Notes\nFour semitone offsets above the root, one per hex digit: the "
                    "second, third and fourth digit follow the root, the first comes last",
     .type = kTypeWord,
     .maximum = 65535.0,
     .resolution = 1.0,
     .folder = -1},
    {.index = ChipChords::kGate,
     .name = "Gate time",
     .description = "Gate time",
     .defaultValue = 0.5,
     .resolution = 0.001,
     .folder = -1},
    {.index = ChipChords::kSpeed,
     .name = "Speed",
     .description = "Speed\nMilliseconds per step of the chord",
     .maximum = 100.0,
     .defaultValue = 10.0,
     .resolution = 0.05,
     .folder = -1},
    {.index = ChipChords::kAttack,
     .name = "Attack",
     .description = "Attack Length\nMilliseconds",
     .maximum = 2000.0,
     .defaultValue = 10.0,
     .resolution = 1.0,
     .folder = -1},
    {.index = ChipChords::kDecay,
     .name = "Decay",
     .description = "Decay Length\nMilliseconds",
     .maximum = 5000.0,
     .defaultValue = 10.0,
     .resolution = 1.0,
     .folder = -1},
};

MachineInfo ChipChordsInfo() {
    return MachineInfo::Builtin(kKindGenerator, "Tarn Chip Chords", "TCChords");
}

} // namespace

ChipChords::ChipChords() : BuiltinMachineBase(ChipChordsInfo(), ParameterTable{kRows}) {
    Prepare(kDspSampleRate);
}

void ChipChords::Prepare(double rate) {
    rate_ = rate;
    oscillator_ = BandLimitedOscillator{};
    oscillator_.sampleRate = rate;
    oscillator_.waveSet = WaveSetFor(kWaveSawtooth);
    oscillator_.pitch = kStartPitch;
    oscillator_.glideTarget = kStartPitch;
    envelope_ = EnvelopeGenerator{};
    envelope_.attackLength = kStartAttackSeconds * rate;
    envelope_.decayLength = kStartDecaySeconds * rate;
    gate_ = 0.5;
    stepLength_ = static_cast<int>(rate * kStartStepSeconds);
    stepCountdown_ = 0;
    stepIndex_ = 0;
    mask_ = 0;
    root_ = 0;
}

void ChipChords::ApplyParameter(const EventRecord& event) noexcept {
    const double v = event.value;
    switch (event.index) {
    case kNotes:
        mask_ = static_cast<std::uint32_t>(std::clamp(TruncateValue(v), 0, 0xFFFF));
        break;
    case kGate:
        gate_ = v;
        break;
    case kSpeed:
        stepLength_ = TruncateValue(v * 0.001 * rate_);
        break;
    case kAttack:
        envelope_.attackLength = v * 0.001 * rate_;
        break;
    case kDecay:
        envelope_.decayLength = v * 0.001 * rate_;
        break;
    default:
        break;
    }
}

void ChipChords::PlayNote(const EventRecord& note) noexcept {
    // Nothing ends a note but its envelope, so a key release does nothing
    // (it would otherwise start the chord again).
    if (!(note.velocity > 0.0)) {
        return;
    }
    root_ = std::clamp(TruncateValue(note.value), 0, kHighestNote);
    oscillator_.GlideTo(root_, 0.0);
    envelope_.Start();
    stepCountdown_ = stepLength_;
    stepIndex_ = 0;
}

void ChipChords::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    for (int frame = from; frame < to; ++frame) {
        if (stepCountdown_ < 0) {
            stepCountdown_ = stepLength_;
            stepIndex_ = (stepIndex_ + 1) % kSteps;
            // Index 0 reads the top nibble, 3 the bottom one.
            const int offset = static_cast<int>(mask_ >> (12 - 4 * stepIndex_)) & 0xF;
            oscillator_.GlideTo(std::min(root_ + offset, kHighestNote), 0.0);
        }
        mono_[frame] = oscillator_.output * envelope_.output;
        --stepCountdown_;
        envelope_.Tick();
        oscillator_.Tick();
    }
    FanOut(record, mono_.data(), from, to);
}

std::int32_t ChipChords::Stop(std::int32_t mode) {
    if (mode == 1) {
        envelope_.state = EnvelopeGenerator::kOff;
    }
    return 1;
}

} // namespace tarn
