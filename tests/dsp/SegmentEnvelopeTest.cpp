#include "dsp/SegmentEnvelope.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarn {
namespace {

using Envelope = SegmentEnvelope;

// An envelope with five-sample attack, decay and release to sustain 0.5.
Envelope Shaped() {
    Envelope envelope;
    envelope.segments[Envelope::kAttack].length = 5.0;
    envelope.segments[Envelope::kDecay].length = 5.0;
    envelope.segments[Envelope::kRelease].length = 5.0;
    envelope.SetSustainLevel(0.5);
    return envelope;
}

void TickTimes(Envelope& envelope, int times) {
    for (int i = 0; i < times; ++i) {
        envelope.Tick();
    }
}

TEST(SegmentEnvelope, RunsAttackPeakDecayAndSustainOverTheirLengths) {
    Envelope envelope = Shaped();
    EXPECT_EQ(envelope.current, Envelope::kOff);
    TickTimes(envelope, 100);
    EXPECT_EQ(envelope.level, 0.0);

    envelope.Start();
    EXPECT_EQ(envelope.current, Envelope::kAttack);
    EXPECT_EQ(envelope.level, Envelope::kFloor);
    // A straight line up: equal steps, reaching the peak after five ticks.
    const double first = envelope.Tick();
    EXPECT_NEAR(first - Envelope::kFloor, (1.0 - Envelope::kFloor) / 5.0, 1e-12);
    TickTimes(envelope, 4);
    EXPECT_EQ(envelope.current, Envelope::kPeak);
    EXPECT_EQ(envelope.level, 1.0);
    envelope.Tick();
    EXPECT_EQ(envelope.current, Envelope::kDecay);
    // An exponential curve: every tick multiplies by the same ratio.
    const double a = envelope.Tick();
    const double b = envelope.Tick();
    const double c = envelope.Tick();
    EXPECT_NEAR(b / a, c / b, 1e-12);
    EXPECT_NEAR(b / a, std::pow(0.5, 1.0 / 5.0), 1e-12);
    TickTimes(envelope, 2);
    EXPECT_EQ(envelope.current, Envelope::kSustain);
    EXPECT_EQ(envelope.level, 0.5);
    // The sustain holds, also across its own loop.
    TickTimes(envelope, 70000);
    EXPECT_EQ(envelope.current, Envelope::kSustain);
    EXPECT_EQ(envelope.level, 0.5);
}

TEST(SegmentEnvelope, ReleaseWaitsForTheDecayThenFallsFromTheSustain) {
    Envelope early = Shaped();
    early.Start();
    TickTimes(early, 2);
    early.Release();
    TickTimes(early, 3); // attack done, now in the peak
    EXPECT_EQ(early.current, Envelope::kPeak);
    TickTimes(early, 6); // decay done; the sustain lasts no time at all
    EXPECT_EQ(early.current, Envelope::kSustain);
    EXPECT_EQ(early.level, 0.5);
    early.Tick();
    EXPECT_EQ(early.current, Envelope::kRelease);
    EXPECT_EQ(early.level, 0.5);
    TickTimes(early, 5);
    EXPECT_EQ(early.current, Envelope::kOff);
    EXPECT_EQ(early.level, 0.0);

    // From the sustain, the release starts on the next tick.
    Envelope held = Shaped();
    held.Start();
    TickTimes(held, 100);
    held.Release();
    held.Tick();
    EXPECT_EQ(held.current, Envelope::kRelease);
    const double a = held.Tick();
    const double b = held.Tick();
    EXPECT_LT(b, a);
    EXPECT_LT(a, 0.5);

    // A new note after a release sustains again.
    held.Start();
    TickTimes(held, 100);
    EXPECT_EQ(held.current, Envelope::kSustain);
}

TEST(SegmentEnvelope, RetriggerRisesFromThePresentLevel) {
    Envelope envelope = Shaped();
    envelope.Start();
    TickTimes(envelope, 100);
    envelope.Release();
    while (envelope.level > 0.3 || envelope.current != Envelope::kRelease) {
        envelope.Tick();
    }
    const double present = envelope.level;
    envelope.Start();
    EXPECT_EQ(envelope.level, present);
    EXPECT_GT(envelope.Tick(), present);

    // Below the floor it starts from the floor.
    Envelope silent = Shaped();
    silent.Start();
    EXPECT_EQ(silent.level, Envelope::kFloor);
}

} // namespace
} // namespace tarn
