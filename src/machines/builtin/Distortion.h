#pragma once

#include "dsp/BiquadCascade.h"
#include "machines/framework/BuiltinMachineBase.h"

namespace tarn {

// A stereo band boost followed by a soft clipper: four peaking sections,
// each carrying a quarter of the boost, then a cubic curve that pushes the
// positive half-wave slightly harder than the negative one.
class Distortion : public BuiltinMachineBase {
public:
    static constexpr std::int32_t kAmount = 5;
    static constexpr std::int32_t kBandwidth = 15;
    static constexpr std::int32_t kCentre = 16;

    Distortion();
    ~Distortion() override = default;

    // The clipper's curve: ±2/3 beyond the knees, x − x³/3 between them.
    static double Saturate(double h) noexcept;

private:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

    void Design() noexcept;

    BiquadCascade cascade_;
};

} // namespace tarn
