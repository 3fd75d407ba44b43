#pragma once

#include "dsp/SynthLfo.h"
#include "machines/framework/BuiltinMachineBase.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn NES.APU": a generator in the manner of the NES sound chip. Two
// square channels (75 % duty, 16 volume steps, an optional decay whose
// steps double in length, a 5 Hz vibrato) and a 16-step triangle channel
// that rises and fades in 0.4 ms steps. Each channel has its own note
// parameter; live notes from a keyboard play the triangle, the last note
// parameter described, which the Node takes for live input. One mono
// signal goes to both outputs.
class NesApu : public BuiltinMachineBase {
public:
    // A channel's own parameters; channel c adds 100 · c (square 1, square
    // 2, triangle).
    enum ChannelParameter : std::int32_t {
        kEnabled = 0,
        kNote = 2,
        kVolume = 3,
        kDecayEnabled = 20,
        kDecayRate = 21,
        kDecayShift = 22,
        kLength = 40,
    };
    static constexpr std::int32_t kChannelStride = 100;
    static constexpr int kSquare1 = 0;
    static constexpr int kSquare2 = 1;
    static constexpr int kTriangle = 2;
    static constexpr int kLevels = 15; // the loudest of 16 volume steps
    // The sum of the three channels is scaled by this.
    static constexpr double kMixScale = 1.0 / 45.0;

    static constexpr std::int32_t Index(int channel, std::int32_t parameter) {
        return channel * kChannelStride + parameter;
    }

    NesApu();
    ~NesApu() override = default;

    std::int32_t Stop(std::int32_t mode) override;

private:
    enum State : int { kSilent = 0, kRise = 1, kDecay = 2, kHold = 3 };

    struct Channel {
        bool enabled = true;
        bool pending = false;
        int note = 0;
        int volume = kLevels;
        int level = 0;
        int state = kSilent;
        double phase = 0.0;     // 0..1, in periods
        double increment = 0.0; // periods per sample
        std::int64_t lengthSamples = 0;
        std::int64_t lengthCountdown = 0;
        bool decayEnabled = false;
        std::int64_t decayLength = 0; // samples of the first decay step
        std::int64_t decayStep = 0;
        std::int64_t decayCountdown = 0;
        std::int64_t riseCountdown = 0;
        int decayShift = 0; // kept for the pattern, not heard
    };

    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void PlayNote(const EventRecord& note) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

    void TakeNote(int channel, const EventRecord& note) noexcept;
    void StartSquare(Channel& square) noexcept;
    void StartTriangle(Channel& triangle) noexcept;
    static double SquareOutput(const Channel& square) noexcept;
    static double TriangleOutput(const Channel& triangle) noexcept;
    void TickSquare(Channel& square, SynthLfo& vibrato) noexcept;
    void TickTriangle(Channel& triangle) noexcept;
    double RenderFrame() noexcept;

    double rate_ = 0.0;
    std::int64_t triangleStep_ = 0; // samples per rise or fade step (0.4 ms)
    std::array<Channel, 3> channels_{};
    std::array<SynthLfo, 2> vibrato_{}; // one per square
    std::array<double, kMaxChunkFrames> mono_{};
};

} // namespace tarn
