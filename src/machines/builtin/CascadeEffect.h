#pragma once

#include "dsp/BiquadCascade.h"
#include "dsp/SlewRamp.h"
#include "machines/framework/StereoEffect.h"

#include <array>
#include <span>

namespace tarn {

// The equalisers and brickwall filters: biquad cascades in series on both
// channels. Each cascade takes one guard value per sample and adds it to the
// input of every section, so that no section decays into denormals.
//
// A parameter change does not switch the coefficients at once: the band's
// design values slew to their new settings (a whole parameter range in
// kSlewSeconds) and the coefficients follow every kControlInterval samples.
// Steep resonant cascades switched abruptly ring with huge transients, and
// any switch clicks; settled, every band is exactly its design.
class CascadeEffect : public StereoEffect {
public:
    static constexpr int kControlInterval = 32; // samples
    static constexpr double kSlewSeconds = 0.1;
    static constexpr int kDesignValues = 3;

protected:
    // One cascade and the design values it is computed from, in the units of
    // the parameters that set them.
    struct Band {
        BiquadCascade cascade;
        std::array<SlewRamp, kDesignValues> values;
        bool changed = true;

        // Starts design value i settled at value, slewing a whole range in
        // kSlewSeconds at the given sample rate.
        void Hold(int i, double value, double range, double rate) noexcept;
        // Sends design value i on its way to value.
        void MoveTo(int i, double value) noexcept;
    };

    using StereoEffect::StereoEffect;

    // The bands in processing order, owned by the derived machine.
    virtual std::span<Band> Bands() noexcept = 0;
    // Computes the band's coefficients from its design values' current
    // settings.
    virtual void Design(Band& band) noexcept = 0;

    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

private:
    // Moves every changing band on by one control interval and redesigns it.
    void Follow() noexcept;

    int countdown_ = 0;
};

} // namespace tarn
