#pragma once

#include "dsp/BandLimitedOscillator.h"
#include "dsp/SegmentEnvelope.h"
#include "machines/framework/Machine.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Analog Bass": a one-voice bass synthesizer. One band-limited
// oscillator feeds a four-stage resonant low-pass filter run twice per
// sample with soft clipping; an amplitude envelope shapes the output and a
// modulation envelope opens the filter. Notes marked with Glide hold on and
// let the next note slide in from their pitch. The same mono signal goes to
// every output channel.
//
// Parameter values arrive as events inside Work; the machine holds none of
// them for the host. Work runs on the audio thread and allocates nothing.
class AnalogBass : public Machine {
public:
    // Parameter indices, as events, saved values and FormatValue use them.
    enum Parameter : std::int32_t {
        kNote = 0,
        kWaveform = 2,
        kGlideTime = 5,
        kGlide = 6,
        kAttack = 11,
        kDecay = 12,
        kSustain = 13,
        kRelease = 14,
        kCutoff = 20,
        kResonance = 21,
        kEnvMod = 22,
        kModAttack = 25,
        kModDecay = 26,
    };

    // A value moving linearly to its target at a fixed speed: a change of
    // `scale` takes `time` samples, and a change shorter than one sample
    // lands at once. Keeps cutoff and resonance sweeps free of zipper noise.
    struct Transition {
        double current = 0.0;
        double target = 0.0;
        double step = 0.0;      // per sample
        double remaining = 0.0; // samples
        double scale = 1.0;
        double time = 0.0; // samples for a change of `scale`

        void MoveTo(double value) noexcept;
        void Advance() noexcept {
            if (remaining > 0.0) {
                current += step;
                remaining -= 1.0;
                if (remaining <= 0.0) {
                    current = target;
                    remaining = 0.0;
                }
            }
        }
    };

    // The four-stage low-pass. Each stage is a one-pole with a zero, and the
    // last stage's output is fed back to the input for resonance. Ticked at
    // twice the sample rate by running it twice per sample.
    struct LadderFilter {
        std::array<double, 4> stage{};    // stage outputs
        std::array<double, 4> previous{}; // stage inputs of the last pass
        double f = 0.0;
        double feedback = 0.0;
        double gain = 0.0;

        void Clear() noexcept;
        // cutoff in Hz, resonance 0..1, rate = the filter's own rate in Hz.
        void Tune(double cutoff, double resonance, double rate) noexcept;
        // One pass over input x; returns the soft-clipped output. A pass
        // that leaves the output denormal or out of bounds clears the state.
        double Pass(double x) noexcept;
    };

    AnalogBass();
    ~AnalogBass() override = default;

    std::int32_t Init(const ByteBuffer& state) override;
    std::int32_t Work(const WorkRecord& record) noexcept override;
    std::int32_t FormatValue(std::int32_t index, double value, char* text) override;
    std::int32_t Describe() override;
    std::int32_t Stop(std::int32_t mode) override;

private:
    // Silences the voice and clears the filter for a sample rate (Hz); the
    // parameter settings stay.
    void Reset(double rate) noexcept;
    void Apply(const EventRecord& event) noexcept;
    void PlayNote(const EventRecord& note) noexcept;
    // Applies the events from index next on whose offset is at most frame
    // (every remaining one when all is set), then the last note among them;
    // answers the index of the first event left.
    int ApplyEvents(const WorkRecord& record, int next, int frame, bool all) noexcept;
    double RenderFrame() noexcept;
    double EnvelopeLength(double value) const noexcept;

    MachineInfo info_;
    double rate_ = 0.0; // samples per second in use

    BandLimitedOscillator oscillator_;
    SegmentEnvelope amplitude_;
    SegmentEnvelope modulation_;
    double glideTime_ = 0.0; // samples
    bool glideRequest_ = false;
    bool glidePending_ = false;
    std::int32_t noteRemaining_ = 0; // samples

    Transition cutoff_;    // Hz
    Transition resonance_; // 0..1
    double envMod_ = 0.0;
    LadderFilter filter_;
    double filterRate_ = 0.0;    // Hz
    int coefficientCounter_ = 0; // 0..4; coefficients are recomputed at 0

    std::array<double, kMaxChunkFrames> mono_{}; // one chunk, copied to every output
};

} // namespace tarn
