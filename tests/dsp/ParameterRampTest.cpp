#include "dsp/ParameterRamp.h"

#include <gtest/gtest.h>

#include <limits>

namespace tarn {
namespace {

void Advance(ParameterRamp& ramp, int samples) {
    for (int i = 0; i < samples; ++i) {
        ramp.Tick();
    }
}

TEST(ParameterRamp, MovesAtOneFullRangePerFullRangeTime) {
    ParameterRamp ramp;
    ramp.Init(0.0, 1.0, 4410);
    ramp.Set(0.5, 0.5, 0);
    Advance(ramp, 2204);
    EXPECT_LT(ramp.value, 0.4999);
    ramp.Tick();
    EXPECT_NEAR(ramp.value, 0.5, 1e-12); // 2205 samples
    Advance(ramp, 2);
    EXPECT_EQ(ramp.value, 0.5);
    EXPECT_EQ(ramp.state, ParameterRamp::kIdle);
}

TEST(ParameterRamp, GlidesToTheEndValueAfterReachingTheValue) {
    ParameterRamp ramp;
    ramp.Init(0.0, 1.0, 1000);
    // 0 -> 0.2 in 200 samples, then 0.2 -> 0.8 over the 800 left.
    ramp.Set(0.2, 0.8, 1000);
    Advance(ramp, 201);
    EXPECT_EQ(ramp.value, 0.2);
    Advance(ramp, 400);
    EXPECT_NEAR(ramp.value, 0.5, 1e-3);
    Advance(ramp, 401);
    EXPECT_EQ(ramp.value, 0.8);
    EXPECT_EQ(ramp.state, ParameterRamp::kIdle);

    // An event whose value is where the glide is heading continues straight
    // from the current value to its own end value.
    ramp.Init(0.0, 1.0, 1000);
    ramp.Set(0.0, 1.0, 100);
    Advance(ramp, 50);
    ramp.Set(1.0, 0.0, 200);
    EXPECT_EQ(ramp.state, ParameterRamp::kSecondSegment);
    const double from = ramp.value;
    Advance(ramp, 100);
    EXPECT_NEAR(ramp.value, from / 2, 1e-9);
}

TEST(ParameterRamp, DegenerateSettingsNeverHangOrTurnNaN) {
    ParameterRamp ramp;
    ramp.Init(3.0, 0.0, 4410); // min == max: nothing to scale the speed by
    ramp.Set(4.0, 4.0, 0);
    Advance(ramp, 3);
    EXPECT_EQ(ramp.value, 4.0);
    ramp.Init(0.0, 1.0, 100);
    for (double t : {std::numeric_limits<double>::quiet_NaN(), -20.0}) {
        ramp.Set(0.5, 0.9, t); // no usable glide: move to 0.5 and stay
        Advance(ramp, 200);
        EXPECT_EQ(ramp.value, 0.5);
        EXPECT_EQ(ramp.state, ParameterRamp::kIdle);
    }
}

} // namespace
} // namespace tarn
