#include "dsp/EnvelopeGenerator.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tarn {
namespace {

using Env = EnvelopeGenerator;

// Lengths that divide 1024 make the steps exact; other lengths may take one
// sample more as rounded steps add up just short of 1024.
Env OneSegment(double attack, double decay, double sustain, double release) {
    Env env;
    env.mode = 0;
    env.attackLength = attack;
    env.decayLength = decay;
    env.sustain = sustain;
    env.releaseLength = release;
    return env;
}

// Ticks until the state changes; returns the samples spent in the old state.
int SamplesInState(Env& env) {
    const int state = env.state;
    int samples = 0;
    while (env.state == state && samples < 1000000) {
        env.Tick();
        ++samples;
    }
    return samples;
}

TEST(EnvelopeGenerator, SegmentsLastTheirLengthsAndFollowTheCurves) {
    Env env = OneSegment(128, 256, 0.5, 512);
    env.Start();
    EXPECT_EQ(SamplesInState(env), 128);
    EXPECT_GT(env.output, 0.99);
    EXPECT_EQ(SamplesInState(env), 256);
    EXPECT_NEAR(env.output, 0.5, 0.001);
    EXPECT_EQ(env.Tick(), 0.5);
    env.releaseRequest = true;
    EXPECT_EQ(env.Tick(), 0.5); // the sample where the release starts
    EXPECT_EQ(SamplesInState(env), 512);
    EXPECT_LT(env.output, 0.001);
    EXPECT_EQ(env.Tick(), 0.0);
}

TEST(EnvelopeGenerator, ReleaseDuringDecayFinishesTheDecayFirst) {
    Env released = OneSegment(64, 512, 0.5, 128);
    released.Start();
    for (int i = 0; i < 150; ++i) {
        released.Tick();
    }
    Env held = released;
    released.releaseRequest = true;
    while (held.state == Env::kDecay) {
        ASSERT_EQ(released.Tick(), held.Tick());
    }
    EXPECT_EQ(released.Tick(), 0.5);
    EXPECT_EQ(released.Tick(), 0.5); // the release curve starts at the sustain level
    EXPECT_EQ(SamplesInState(released), 127);
    EXPECT_EQ(released.state, Env::kOff);
}

TEST(EnvelopeGenerator, RetriggerNeverDrops) {
    for (int mode : {0, 1}) {
        Env env = OneSegment(16, 16, 0.8, 16);
        env.mode = mode;
        env.firstAttackLevel = 0.5;
        env.Start();
        while (env.state != Env::kSustain) {
            env.Tick();
        }
        ASSERT_EQ(env.Tick(), 0.8);
        env.attackLength = 1024;
        env.Start();
        int held = 0;
        while (env.state != Env::kDecay) {
            const double previous = env.output;
            ASSERT_GE(env.Tick(), previous) << "mode " << mode;
            held += env.output == 0.8 ? 1 : 0;
        }
        // It holds 0.8 until the attack curve passes it, then rises on.
        EXPECT_GT(held, mode == 1 ? 900 : 200) << "mode " << mode;
        EXPECT_GT(env.output, 0.9);
    }
}

TEST(EnvelopeGenerator, ZeroAndInvalidLengthsLastOneSample) {
    for (double length : {0.0, -5.0, std::numeric_limits<double>::quiet_NaN()}) {
        Env env = OneSegment(length, length, 0.5, length);
        env.mode = Env::kTwoSegmentAttack;
        env.firstAttackLength = length;
        env.Start();
        std::vector<int> states;
        for (int i = 0; i < 3; ++i) {
            env.Tick();
            states.push_back(env.state);
        }
        EXPECT_EQ(states, (std::vector<int>{Env::kAttack, Env::kDecay, Env::kSustain}));
        env.releaseRequest = true;
        EXPECT_EQ(env.Tick(), 0.5);
        EXPECT_EQ(env.Tick(), 0.5);
        EXPECT_EQ(env.state, Env::kOff);
    }
}

} // namespace
} // namespace tarn
