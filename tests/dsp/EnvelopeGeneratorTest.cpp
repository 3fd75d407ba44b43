#include "dsp/EnvelopeGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace tarn {
namespace {

using Env = EnvelopeGenerator;

Env OneSegment(double attack, double decay, double sustain, double release) {
    Env env;
    env.mode = 0;
    env.attackLength = attack;
    env.decayLength = decay;
    env.sustain = sustain;
    env.releaseLength = release;
    return env;
}

// Ticks until the state changes (at most limit samples); returns the number
// of samples spent in the state the envelope was in.
int SamplesInState(Env& env, int limit = 1000000) {
    const int state = env.state;
    int samples = 0;
    while (env.state == state && samples < limit) {
        env.Tick();
        ++samples;
    }
    return samples;
}

TEST(EnvelopeGenerator, NewEnvelopeDefaults) {
    const Env env;
    EXPECT_EQ(env.state, Env::kOff);
    EXPECT_EQ(env.output, 0.0);
    EXPECT_EQ(env.mode, 1);
    EXPECT_EQ(env.firstAttackLength, 44.0);
    EXPECT_EQ(env.firstAttackLevel, 0.0);
    EXPECT_FALSE(env.releaseRequest);
}

// Lengths that divide 1024 evenly make the step exact; other lengths may
// take one sample more as the rounded steps add up just short of 1024.
TEST(EnvelopeGenerator, SegmentsLastTheirLengthsAndFollowTheCurves) {
    Env env = OneSegment(128, 256, 0.5, 512);
    env.Start();
    EXPECT_EQ(env.state, Env::kAttack);
    double previous = 0.0;
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(env.state, Env::kAttack) << i;
        const double out = env.Tick();
        ASSERT_GE(out, previous);
        previous = out;
    }
    EXPECT_GT(previous, 0.99);
    EXPECT_EQ(env.state, Env::kDecay);
    EXPECT_EQ(SamplesInState(env), 256);
    EXPECT_NEAR(env.output, 0.5, 0.001);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(env.Tick(), 0.5);
    }
    env.releaseRequest = true;
    EXPECT_EQ(env.Tick(), 0.5); // the sample where the release starts
    EXPECT_EQ(env.state, Env::kRelease);
    EXPECT_EQ(SamplesInState(env), 512);
    EXPECT_LT(env.output, 0.001);
    EXPECT_EQ(env.Tick(), 0.0);
    EXPECT_EQ(env.state, Env::kOff);
}

TEST(EnvelopeGenerator, TwoSegmentAttackRisesWithoutADip) {
    Env env = OneSegment(128, 128, 0.5, 128);
    env.mode = Env::kTwoSegmentAttack;
    env.firstAttackLevel = 0.3;
    env.Start();
    EXPECT_EQ(env.state, Env::kFirstAttack);
    EXPECT_NEAR(SamplesInState(env), 44, 1); // the default first attack length
    EXPECT_NEAR(env.output, 0.3, 0.001);
    double previous = env.output;
    EXPECT_EQ(env.state, Env::kAttack);
    for (int i = 0; i < 128; ++i) {
        ASSERT_GE(env.Tick(), previous);
        previous = env.output;
    }
    // The rising curve lands on 1.0 only at its end, which the decay's first
    // sample takes over.
    EXPECT_GT(previous, 0.9);
    EXPECT_EQ(env.state, Env::kDecay);
    EXPECT_EQ(env.Tick(), 1.0);
}

TEST(EnvelopeGenerator, ReleaseDuringDecayFinishesTheDecayFirst) {
    Env released = OneSegment(64, 512, 0.5, 128);
    Env held = released;
    released.Start();
    held.Start();
    for (int i = 0; i < 150; ++i) {
        released.Tick();
        held.Tick();
    }
    ASSERT_EQ(released.state, Env::kDecay);
    released.releaseRequest = true;
    while (held.state == Env::kDecay) {
        ASSERT_EQ(released.Tick(), held.Tick());
    }
    ASSERT_EQ(released.state, Env::kSustain);
    EXPECT_EQ(released.Tick(), 0.5);
    EXPECT_EQ(released.state, Env::kRelease);
    EXPECT_EQ(released.Tick(), 0.5); // the release curve starts at the sustain level
    EXPECT_LT(released.Tick(), 0.5);
    EXPECT_EQ(SamplesInState(released), 126); // 128 in all
    EXPECT_EQ(released.state, Env::kOff);
}

TEST(EnvelopeGenerator, RetriggerNeverDrops) {
    for (int mode : {0, 1}) {
        Env env = OneSegment(10, 10, 0.8, 10);
        env.mode = mode;
        env.firstAttackLevel = 0.5;
        env.firstAttackLength = 20;
        env.Start();
        while (env.state != Env::kSustain) {
            env.Tick();
        }
        env.Tick();
        ASSERT_EQ(env.output, 0.8);
        env.attackLength = 1000;
        env.Start();
        int held = 0;
        double previous = 0.8;
        while (env.state != Env::kDecay) {
            const double out = env.Tick();
            ASSERT_GE(out, previous) << "mode " << mode;
            held += out == 0.8 ? 1 : 0;
            previous = out;
        }
        // It stays at 0.8 until the attack curve passes it, then rises.
        EXPECT_GT(held, mode == 1 ? 20 : 100) << "mode " << mode;
        EXPECT_GT(previous, 0.99);
    }
}

TEST(EnvelopeGenerator, ZeroAndInvalidLengthsLastOneSample) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double length : {0.0, -5.0, nan}) {
        Env env = OneSegment(length, length, 0.5, length);
        env.mode = 1;
        env.firstAttackLength = length;
        env.firstAttackLevel = 0.2;
        env.Start();
        std::vector<int> states;
        for (int i = 0; i < 3; ++i) {
            env.Tick();
            states.push_back(env.state);
        }
        EXPECT_EQ(states, (std::vector<int>{Env::kAttack, Env::kDecay, Env::kSustain}));
        env.releaseRequest = true;
        env.Tick();
        EXPECT_EQ(env.state, Env::kRelease);
        EXPECT_EQ(env.Tick(), 0.5);
        EXPECT_EQ(env.state, Env::kOff);
        EXPECT_EQ(env.Tick(), 0.0);
    }
}

} // namespace
} // namespace tarn
