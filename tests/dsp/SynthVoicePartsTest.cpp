#include "dsp/FixedPhase.h"
#include "dsp/KeyTrackedFilter.h"
#include "dsp/PinkNoise.h"
#include "dsp/SegmentEnvelope.h"
#include "dsp/SynthLfo.h"
#include "dsp/SynthOscillator.h"
#include "support/SignalMeasures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace tarn {
namespace {

using test::Cents;

constexpr double kRate = 44100.0;

// Frequency of a rendered signal from its rising zero crossings.
template <typename Source> double MeasuredFrequency(Source&& next, int samples) {
    double previous = next();
    int crossings = 0;
    double firstAt = 0.0;
    double lastAt = 0.0;
    for (int i = 1; i < samples; ++i) {
        const double x = next();
        if (previous < 0.0 && x >= 0.0) {
            const double at = i - 1 + previous / (previous - x);
            firstAt = crossings == 0 ? at : firstAt;
            lastAt = at;
            ++crossings;
        }
        previous = x;
    }
    return crossings > 1 ? (crossings - 1) / (lastAt - firstAt) * kRate : 0.0;
}

TEST(SynthOscillator, PlaysEveryNoteInTuneAndHoldsPitchesToTheNoteRange) {
    for (int note = 0; note <= 127; note += 7) {
        SynthOscillator osc;
        osc.amplitude = 1.0;
        osc.Tune(kWaveSine, note, kRate);
        const double expected = 440.0 * std::exp2((note - 57) / 12.0);
        const double fromIncrement = osc.increment / kIncrementScale * kRate;
        EXPECT_LT(std::abs(Cents(fromIncrement, expected)), 0.01) << note;
        if (expected < 5000.0) {
            const double measured = MeasuredFrequency([&] { return osc.Tick(); }, 44100);
            EXPECT_LT(std::abs(Cents(measured, expected)), 1.0) << note;
        }
    }
    // Quarter-tone steps land between the notes, on the fine table's grid.
    SynthOscillator quarter;
    quarter.Tune(kWaveSawtooth, 57.5, kRate);
    EXPECT_LT(std::abs(Cents(quarter.increment / kIncrementScale * kRate, 440.0) - 50.0), 0.1);

    // Out of range pitches play the nearest end instead of another octave.
    SynthOscillator low;
    SynthOscillator high;
    SynthOscillator broken;
    low.Tune(kWaveSawtooth, -30.0, kRate);
    high.Tune(kWaveSawtooth, 200.0, kRate);
    broken.Tune(kWaveSawtooth, std::numeric_limits<double>::quiet_NaN(), kRate);
    EXPECT_NEAR(low.increment / kIncrementScale * kRate, NoteFrequency(0), 1e-3);
    EXPECT_NEAR(high.increment / kIncrementScale * kRate, NoteFrequency(127), 1e-3);
    EXPECT_EQ(broken.increment, low.increment);
    EXPECT_EQ(high.samples, CycleTableFor(kWaveSawtooth, 127)->samples);
    // An unknown kind plays silence.
    SynthOscillator unknown;
    unknown.amplitude = 1.0;
    unknown.Tune(9, 60.0, kRate);
    unknown.phase = 1u << 30;
    EXPECT_EQ(unknown.Tick(), 0.0);
}

TEST(FixedPhase, ReadsBetweenEntriesAndWrapsPositionsAndRates) {
    const double* saw = CycleTableFor(kWaveSawtooth, 40)->samples;
    const std::uint32_t quarterBetween = (5u << 22) | (1u << 20);
    EXPECT_DOUBLE_EQ(ReadWave(saw, quarterBetween), 0.75 * saw[5] + 0.25 * saw[6]);
    // The last phase before the wrap reads into the guard sample.
    EXPECT_NEAR(ReadWave(saw, 0xFFFFFFFFu),
                saw[1023] + (saw[1024] - saw[1023]) * (4194303.0 / 4194304.0), 1e-15);
    const double* sine = LfoTable(kLfoSine)->samples;
    EXPECT_NEAR(ReadLfo(sine, 1u << 30), 1.0, 1e-12);

    EXPECT_EQ(PhaseOf(0.25), 1u << 30);
    EXPECT_EQ(PhaseOf(-0.25), 3u << 30);
    EXPECT_EQ(PhaseOf(1.0), 0u);
    EXPECT_EQ(PhaseOf(7.5), 1u << 31);
    EXPECT_EQ(PhaseOf(std::numeric_limits<double>::infinity()), 0u);
    EXPECT_EQ(PhaseIncrement(0.5), 2147483648u);
    // 1.5 periods less the half step of scaling by 2^32 - 1, rounded to even.
    EXPECT_EQ(PhaseIncrement(1.5), 2147483646u);
    EXPECT_EQ(PhaseIncrement(std::numeric_limits<double>::quiet_NaN()), 0u);
}

TEST(SynthLfo, CyclesAtItsIncrementAndFallsBackToTheSine) {
    SynthLfo lfo;
    lfo.SetShape(kLfoRampUp);
    lfo.increment = PhaseOf(1.0 / 441.0);
    // A ramp rises through one period every 441 advances.
    int wraps = 0;
    double previous = -2.0;
    for (int i = 0; i < 441 * 10 + 1; ++i) {
        lfo.Advance();
        wraps += lfo.value < previous ? 1 : 0;
        previous = lfo.value;
    }
    EXPECT_EQ(wraps, 10);
    // Advancing a block at once lands where single steps would.
    SynthLfo stepped;
    SynthLfo blocked;
    stepped.increment = blocked.increment = 123456789u;
    for (int i = 0; i < 16; ++i) {
        stepped.Advance();
    }
    blocked.Advance(16);
    EXPECT_EQ(stepped.phase, blocked.phase);
    EXPECT_EQ(stepped.value, blocked.value);
    lfo.SetShape(11);
    EXPECT_EQ(lfo.table, LfoTable(kLfoSine));
}

TEST(KeyTrackedFilter, CutoffSpansHalfTheKeyTo20kHzAndTheFilterHasItsDesignedGain) {
    for (double key : {NoteFrequency(0), 440.0, NoteFrequency(120)}) {
        EXPECT_NEAR(KeyTrackedFilter::Cutoff(key, 0.0), std::max(key / 2, 20.0), 1e-9);
        EXPECT_NEAR(KeyTrackedFilter::Cutoff(key, 1.0), 20000.0, 1e-6);
        EXPECT_NEAR(KeyTrackedFilter::Cutoff(key, 0.5),
                    std::min(key / 2 * std::sqrt(40000 / key), 20000.0), 1e-6);
    }
    EXPECT_EQ(KeyTrackedFilter::Cutoff(440.0, -10.0), 20.0);
    EXPECT_EQ(KeyTrackedFilter::Cutoff(440.0, 10.0), 20000.0);
    EXPECT_EQ(KeyTrackedFilter::Cutoff(440.0, std::numeric_limits<double>::quiet_NaN()), 20.0);

    // Two lowpass sections share Q 0.7: each has gain 0.35 at the cutoff.
    KeyTrackedFilter filter;
    filter.filter.Init(kRate);
    filter.Tune(1000.0, 0.0, kFilterLowpass, 1);
    double peak = 0.0;
    for (int i = 0; i < 44100; ++i) {
        const double y = filter.Process(0, std::sin(2 * std::numbers::pi * 1000.0 * i / kRate));
        peak = i > 22050 ? std::max(peak, std::abs(y)) : 0.0;
    }
    EXPECT_NEAR(peak, 0.35 * 0.35, 0.002);
    // Out-of-range choices are held to the lists; resonance sets the bandwidth.
    filter.Tune(1000.0, 2.0, 9, 7);
    EXPECT_EQ(filter.filter.type, kFilterBandreject);
    EXPECT_EQ(filter.filter.sectionCount, 3);
    EXPECT_EQ(filter.filter.resonance, 1.0);
    EXPECT_EQ(filter.filter.bandwidth, 6.0);
    filter.Tune(1000.0, std::numeric_limits<double>::quiet_NaN(), kFilterLowpass, -3);
    EXPECT_EQ(filter.filter.sectionCount, 1);
    EXPECT_EQ(filter.filter.resonance, 0.0);

    // A runaway output restarts the filter from silence.
    EXPECT_EQ(filter.Process(1, 1e12), 0.0);
    EXPECT_EQ(filter.Process(1, std::numeric_limits<double>::infinity()), 0.0);
    EXPECT_LT(std::abs(filter.Process(1, 0.5)), 1.0);
}

TEST(SegmentEnvelope, StartLaysOutStagesInTicksWithoutHangingOnEmptyOnes) {
    SegmentEnvelope env;
    env.Start({.attack = 100, .peak = 0, .decay = 200, .sustain = 0.5, .release = 300});
    EXPECT_EQ(env.current, SegmentEnvelope::kAttack);
    EXPECT_DOUBLE_EQ(env.level, 0.5); // from the sustain level, the higher of the two
    int ticks = 0;
    while (env.current == SegmentEnvelope::kAttack) {
        env.Tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 100);
    // The empty peak passes on the next tick.
    env.Tick();
    EXPECT_EQ(env.current, SegmentEnvelope::kDecay);
    for (int i = 0; i < 200; ++i) {
        env.Tick();
    }
    EXPECT_EQ(env.current, SegmentEnvelope::kSustain);
    EXPECT_NEAR(env.level, 0.5, 1e-9);
    env.Release();
    env.Tick();
    EXPECT_EQ(env.current, SegmentEnvelope::kRelease);
    for (int i = 0; i < 299; ++i) {
        env.Tick();
    }
    EXPECT_NEAR(env.level, SegmentEnvelope::kFloor, 5e-5);
    env.Tick();
    EXPECT_EQ(env.current, SegmentEnvelope::kOff);

    // Zero times last the shortest stage; a retrigger keeps a higher level.
    SegmentEnvelope quick;
    quick.level = 0.8;
    quick.Start({.attack = 0, .peak = 1, .decay = 0, .sustain = 0.0, .release = 0});
    EXPECT_DOUBLE_EQ(quick.level, 0.8);
    EXPECT_EQ(quick.limit, static_cast<int>(SegmentEnvelope::kMinStageTicks));
    EXPECT_DOUBLE_EQ(quick.segments[SegmentEnvelope::kSustain].start, SegmentEnvelope::kFloor);
    EXPECT_EQ(quick.segments[SegmentEnvelope::kRelease].length, SegmentEnvelope::kMinStageTicks);
}

TEST(PinkNoise, FallsByAboutThreeDecibelsPerOctave) {
    // Power through two equal-width octave-spaced resonators would need an
    // FFT; the one-pole bank's gain at DC against Nyquist shows the tilt.
    PinkNoise dc;
    PinkNoise nyquist;
    double dcOut = 0.0;
    double nyquistOut = 0.0;
    for (int i = 0; i < 20000; ++i) {
        dcOut = dc.Process(1.0);
        nyquistOut = nyquist.Process(i % 2 == 0 ? 1.0 : -1.0);
    }
    // 1 Hz-ish to 22 kHz is about 14 octaves: roughly 40 dB of tilt.
    const double tilt = 20 * std::log10(std::abs(dcOut) / std::abs(nyquistOut));
    EXPECT_GT(tilt, 25.0);
    EXPECT_LT(tilt, 50.0);
}

} // namespace
} // namespace tarn
