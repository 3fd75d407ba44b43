#pragma once

#include "dsp/BandLimitedOscillator.h"
#include "dsp/SegmentEnvelope.h"
#include "machines/framework/BuiltinMachineBase.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Widestrings": a string-ensemble voice of four band-limited
// oscillators on one note, each a few cents apart (-9, -3, +3 and +9), with
// its own waveform, volume and place in the stereo field, under a slow
// string envelope (80 ms attack, 300 ms decay to 70 %, 400 ms release). A
// note lasts its length, or until its key is let go or the next note takes
// over. Writes a stereo pair.
class Widestrings : public BuiltinMachineBase {
public:
    enum Parameter : std::int32_t {
        kNote = 0,
        kTest = 2,
    };
    // Oscillator k (0..3) has its parameters at kOscillatorBase + 10 · k
    // plus one of these.
    enum OscillatorParameter : std::int32_t {
        kWave = 0,
        kVolume = 1,
        kPan = 2,
    };
    static constexpr std::int32_t kOscillatorBase = 100;
    static constexpr std::int32_t kOscillatorStride = 10;
    static constexpr int kOscillators = 4;
    // Cents of each oscillator against the note.
    static constexpr std::array<double, kOscillators> kDetuneCents{-9.0, -3.0, 3.0, 9.0};

    static constexpr std::int32_t Oscillator(int k, std::int32_t parameter) {
        return kOscillatorBase + kOscillatorStride * k + parameter;
    }

    Widestrings();
    ~Widestrings() override = default;

    std::int32_t Stop(std::int32_t mode) override;

private:
    struct Voice {
        BandLimitedOscillator oscillator;
        double volume = 1.0;
        double pan = 0.0;
        double left = 0.0; // gains of volume and pan
        double right = 0.0;
    };

    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void PlayNote(const EventRecord& note) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;
    static void Place(Voice& voice) noexcept;

    double rate_ = 0.0;
    std::array<Voice, kOscillators> voices_{};
    SegmentEnvelope envelope_;
    std::int32_t noteRemaining_ = 0; // samples; 0 holds the note
    std::array<double, kMaxChunkFrames> left_{};
    std::array<double, kMaxChunkFrames> right_{};
};

} // namespace tarn
