#pragma once

#include "dsp/BandLimitedOscillator.h"
#include "dsp/EnvelopeGenerator.h"
#include "machines/framework/BuiltinMachineBase.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Chip Chords": one sawtooth voice that steps quickly through a root
// note and four semitone offsets, so that it sounds like a chord in the
// manner of chip-tune arpeggios. The offsets are the four nibbles of the
// Notes parameter: after the root comes bits 8-11, then 4-7, 0-3 and
// 12-15, round and round. One attack-decay envelope shapes the note, which
// ends when its decay does. One mono signal goes to both outputs.
class ChipChords : public BuiltinMachineBase {
public:
    enum Parameter : std::int32_t {
        kRoot = 0,
        kNotes = 1,
        kGate = 5,
        kSpeed = 6,
        kAttack = 11,
        kDecay = 15,
    };

    ChipChords();
    ~ChipChords() override = default;

    std::int32_t Stop(std::int32_t mode) override;

private:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void PlayNote(const EventRecord& note) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

    double rate_ = 0.0;
    BandLimitedOscillator oscillator_;
    EnvelopeGenerator envelope_;
    int root_ = 0;
    std::uint32_t mask_ = 0; // four 4-bit offsets
    int stepLength_ = 0;     // samples
    int stepCountdown_ = 0;
    int stepIndex_ = 0; // 0..3
    double gate_ = 0.5; // kept for the pattern, not heard
    std::array<double, kMaxChunkFrames> mono_{};
};

} // namespace tarn
