#include "EffectHarness.h"

#include "machines/builtin/BrickwallFilter.h"
#include "machines/builtin/Delay.h"
#include "machines/builtin/Eq10.h"
#include "machines/builtin/Flanger.h"
#include "machines/builtin/MultimodeFilterMachine.h"
#include "machines/builtin/ParametricEq.h"
#include "machines/builtin/TapeDelay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace tarn::test {
namespace {

struct Case {
    const char* name;
    std::function<std::unique_ptr<BuiltinMachineBase>()> make;
    // The largest output magnitude allowed for noise in -1..1. Filters: the
    // most a stack of resonant or boosting sections can give (+72 dB for the
    // brickwall filters at full resonance, +90 dB for three +30 dB bands on
    // top of each other); delays: the dry signal plus the loop limit at
    // +20 dB wet.
    double limit;
};

template <typename T> std::unique_ptr<BuiltinMachineBase> Make() {
    return std::make_unique<T>();
}

// Every parameter jumps between its minimum and maximum, a fresh random
// choice per parameter on every chunk, for ten seconds of loud noise; the
// output must stay finite and bounded, and silence afterwards must settle
// to exact zeros.
TEST(EffectBounds, ExtremeParameterJumpsStayFiniteBoundedAndSettleToSilence) {
    const std::vector<Case> cases{
        {"BLPFilter", Make<BrickwallLowpass>, 1e5},
        {"BHPFilter", Make<BrickwallHighpass>, 1e5},
        {"3BPEQ", Make<ParametricEq>, 1e5},
        {"EQ10", Make<Eq10>, 1e3},
        {"MMFilter", Make<MultimodeFilterMachine>, 1e5},
        {"TDelay", Make<Delay>, 1.0 + 10.0 * DelayLine::kLoopLimit},
        {"TTDelay", Make<TapeDelay>, 1.0 + 10.0 * DelayLine::kLoopLimit},
        {"Flanger", Make<Flanger>, 1.0 + DelayLine::kLoopLimit},
    };
    constexpr int kChunks = static_cast<int>(10 * EffectHarness::kRate / kMaxChunkFrames);
    const std::vector<double> noise = Noise(kMaxChunkFrames * 64, 11);
    for (const Case& c : cases) {
        std::unique_ptr<BuiltinMachineBase> owned = c.make();
        const ParameterTable table = owned->Parameters();
        EffectHarness harness(std::move(owned));
        std::mt19937 pick(17);
        double peak = 0.0;
        bool finite = true;
        for (int chunk = 0; chunk < kChunks; ++chunk) {
            for (const ParameterRow& row : table.Rows()) {
                harness.Set(row.index, pick() % 2 == 0 ? row.minimum : row.maximum);
            }
            const std::span<const double> in =
                std::span(noise).subspan((chunk % 64) * kMaxChunkFrames, kMaxChunkFrames);
            const EffectHarness::Stereo out = harness.Process(in);
            for (int i = 0; i < kMaxChunkFrames; ++i) {
                finite = finite && std::isfinite(out.left[i]) && std::isfinite(out.right[i]);
                peak = std::max({peak, std::abs(out.left[i]), std::abs(out.right[i])});
            }
        }
        EXPECT_TRUE(finite) << c.name;
        EXPECT_LE(peak, c.limit) << c.name;

        // Back to the defaults, then silence: after the longest tail (a
        // five-second delay at 40% feedback dies below the floor in about
        // 75 repeats, but the default lengths are short) the output is zero.
        for (const ParameterRow& row : table.Rows()) {
            harness.Set(row.index, row.defaultValue);
        }
        harness.Process(std::vector<double>(static_cast<int>(20 * EffectHarness::kRate), 0.0),
                        std::vector<double>(1, 0.0));
        const EffectHarness::Stereo quiet =
            harness.Process(std::vector<double>(4096, 0.0), std::vector<double>(1, 0.0));
        for (int i = 0; i < 4096; ++i) {
            ASSERT_EQ(quiet.left[i], 0.0) << c.name << " " << i;
            ASSERT_EQ(quiet.right[i], 0.0) << c.name << " " << i;
        }
    }
}

} // namespace
} // namespace tarn::test
