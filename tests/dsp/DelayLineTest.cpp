#include "dsp/DelayLine.h"
#include "dsp/DspLibrary.h"
#include "dsp/TableLfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace tarn {
namespace {

// Writes an impulse followed by silence and answers the first sample at
// which a read `delay` samples behind sees it (before that sample's write).
int ImpulseArrival(DelayLine& line, double delay) {
    line.Clear();
    for (int n = 0; n < 2 * line.Size(); ++n) {
        if (line.Read(delay) != 0.0) {
            return n;
        }
        line.Write(n == 0 ? 1.0 : 0.0);
    }
    return -1;
}

TEST(DelayLine, ReadsWholeAndFractionalDelaysWithinTheLine) {
    DelayLine line;
    line.Allocate(100);
    EXPECT_EQ(line.Size(), 100);
    for (int delay : {1, 2, 37, 98}) {
        EXPECT_EQ(ImpulseArrival(line, delay), delay);
    }
    // Zero, negative, NaN and too long delays are held inside 1 .. size - 2,
    // so none of them reads the entry about to be overwritten.
    EXPECT_EQ(ImpulseArrival(line, 0.0), 1);
    EXPECT_EQ(ImpulseArrival(line, 0.4), 1);
    EXPECT_EQ(ImpulseArrival(line, -30.0), 1);
    EXPECT_EQ(ImpulseArrival(line, std::numeric_limits<double>::quiet_NaN()), 1);
    EXPECT_EQ(ImpulseArrival(line, 99.0), 98);
    EXPECT_EQ(ImpulseArrival(line, 1e300), 98);

    // A ramp written into the line reads back interpolated, across the wrap.
    line.Clear();
    for (int n = 0; n < 250; ++n) {
        line.Write(n / 8.0);
    }
    for (double delay : {1.0, 1.25, 10.5, 97.75}) {
        EXPECT_NEAR(line.Read(delay), (250.0 - delay) / 8.0, 1e-12) << delay;
    }

    // What goes in is held to the loop limit, and not-a-number goes in as
    // silence, so a runaway feedback loop stays finite.
    line.Write(1e9);
    line.Write(-1e9);
    line.Write(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(line.Read(3.0), DelayLine::kLoopLimit);
    EXPECT_EQ(line.Read(2.0), -DelayLine::kLoopLimit);
    EXPECT_EQ(line.Read(1.0), 0.0);

    DelayLine tiny;
    tiny.Allocate(0);
    EXPECT_EQ(tiny.Size(), DelayLine::kMinSize);
    EXPECT_EQ(ImpulseArrival(tiny, 5.0), 1);
}

TEST(TableLfo, RunsItsShapeAtTheRateOfItsIncrement) {
    constexpr double kRate = 44100.0;
    // The tape delay's resting rate: 0.1 Hz truncated to 32-bit steps.
    EXPECT_EQ(TableLfo::IncrementFor(0.1 / kRate), 9739u);
    EXPECT_EQ(TableLfo::IncrementFor(-1.0), 0u);
    EXPECT_EQ(TableLfo::IncrementFor(std::numeric_limits<double>::quiet_NaN()), 0u);
    EXPECT_EQ(TableLfo::IncrementFor(5.0), UINT32_MAX);

    TableLfo lfo;
    lfo.samples = LfoTable(kLfoSine)->samples;
    lfo.increment = TableLfo::IncrementFor(441.0 / kRate); // 100 samples per period
    double peak = 0.0;
    int peakAt = -1;
    for (int n = 0; n < 100; ++n) {
        const double expected = std::sin(2.0 * std::numbers::pi * n / 100.0);
        const double value = lfo.Tick();
        EXPECT_NEAR(value, expected, 1e-3) << n;
        if (value > peak) {
            peak = value;
            peakAt = n;
        }
    }
    EXPECT_EQ(peakAt, 25);
    // A whole period later the phase is just short of where it began: the
    // increment is truncated, never rounded up.
    EXPECT_LT(0u - lfo.phase, 100u);

    lfo.samples = LfoTable(kLfoTriangle)->samples;
    lfo.phase = 0x40000000u; // a quarter period: halfway up the rising half
    EXPECT_NEAR(lfo.Value(), 0.0, 1e-12);
    lfo.phase = 0x80000000u;
    EXPECT_NEAR(lfo.Value(), 1.0, 1e-12);
}

} // namespace
} // namespace tarn
