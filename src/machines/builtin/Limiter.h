#pragma once

#include "machines/framework/BuiltinMachineBase.h"

#include <array>

namespace tarn {

// A look-ahead-free peak limiter: it plans its gain over the chunk in hand,
// so the gain has reached threshold / peak exactly when a loud sample
// arrives, holds it for 256 samples and then releases along a straight
// line in decibels. One gain serves every channel.
class Limiter : public BuiltinMachineBase {
public:
    static constexpr std::int32_t kThreshold = 0;
    static constexpr std::int32_t kRelease = 1;
    static constexpr int kHoldSamples = 256;

    Limiter();
    ~Limiter() override = default;

private:
    struct Target {
        double peak = 0.0;
        int distance = 0;
    };

    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

    // Fills plan_ for frames from..to-1 (see RenderSegment).
    void Plan(const WorkRecord& record, int from, int to) noexcept;

    double rate_ = 0.0;
    double threshold_ = 1.0;
    int release_ = 0; // samples
    double gain_ = 1.0;
    double releaseFactor_ = 1.0;
    int hold_ = 0;
    std::array<Target, kMaxChunkFrames> plan_{};
};

} // namespace tarn
