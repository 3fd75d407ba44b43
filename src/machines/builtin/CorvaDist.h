#pragma once

#include "dsp/BiquadCascade.h"
#include "dsp/BiquadSection.h"
#include "dsp/DenormalGuard.h"
#include "dsp/TableLfo.h"
#include "machines/framework/StereoEffect.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tarn {

// "Tarn Corva Dist": per channel a three-band equaliser, a gain that
// brings the signal's peaks to about 1, a sine waveshaper run at twice the
// sample rate, a second equaliser, and three short combs whose lengths sway
// with slow triangles; the shaped signal reaches the output only through
// the combs, beside a quarter of the dry input.
class CorvaDist : public StereoEffect {
public:
    enum Parameter : std::int32_t {
        kAmount = 5,
        kPreLow = 50,
        kPreMid = 53,
        kPreMidFreq = 54,
        kPreHigh = 57,
        kPostLow = 60,
        kPostMid = 63,
        kPostMidFreq = 64,
        kPostHigh = 67,
    };
    static constexpr int kCombs = 3;
    // Inputs are held to this magnitude (+120 dB over full scale), and a
    // value that is not a number reads as silence, so that nothing the
    // equalisers or the normalising gain compute can become infinite.
    static constexpr double kLargestInput = 1.0e6;

    CorvaDist();

protected:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

private:
    // Low shelf, high shelf and peak in series, for both channels.
    struct Equalizer {
        std::array<BiquadCascade, 3> bands;
        std::array<double, 3> guards{}; // this sample's, one per band

        void Init(double rate) noexcept;
        void Design(double lowDb, double midDb, double highDb) noexcept;
        void NextGuards() noexcept;
        double Process(int channel, double x) noexcept;
    };
    // A short recirculating line read at a swaying distance.
    struct Comb {
        std::vector<double> buffer;
        std::uint32_t mask = 0;
        std::uint32_t counter = 0; // wraps harmlessly: the mask keeps the low bits
        double depth = 0.0;
        TableLfo sway;
        double position = 0.0; // the sway's value for this sample, -1..1

        double Process(double x) noexcept;
    };
    struct Channel {
        BiquadSection upsample;   // before the shaper
        BiquadSection downsample; // after it
        double gain = 1.0;        // brings the pre-equalised peaks to about 1
        std::array<Comb, kCombs> combs;
    };

    // The gains of the three bands of each equaliser, in dB.
    std::array<std::array<double, 3>, 2> bandDb_{};
    std::array<Equalizer, 2> equalizers_; // pre, post
    std::array<Channel, 2> channels_;
    BiquadCoefficients oversampling_;
    double amount_ = 0.0;
    double riseExponent_ = 0.0; // the gain rises to its target over 0.1 s
    DenormalGuard guard_;
};

} // namespace tarn
