#pragma once

#include "machines/framework/BuiltinMachineBase.h"

namespace tarn {

// A peak compressor: a static ratio curve above the threshold, reached with
// an exponential attack, left along a straight line in decibels that lasts
// the release time. One gain serves every channel.
class Compressor : public BuiltinMachineBase {
public:
    static constexpr std::int32_t kThreshold = 5;
    static constexpr std::int32_t kRatio = 10;
    static constexpr std::int32_t kAttack = 15;
    static constexpr std::int32_t kRelease = 20;

    Compressor();
    ~Compressor() override = default;

    double Gain() const noexcept { return gain_; }

private:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

    double rate_ = 0.0;
    double threshold_ = 1.0; // linear amplitude
    double ratio_ = 1.0;
    double attack_ = 0.0;  // samples
    double release_ = 0.0; // samples
    double gain_ = 1.0;
    double releaseFactor_ = 1.0;
};

} // namespace tarn
