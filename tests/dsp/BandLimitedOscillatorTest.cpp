#include "dsp/BandLimitedOscillator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace tarn {
namespace {

BandLimitedOscillator At(double pitch, int kind) {
    BandLimitedOscillator osc;
    osc.waveSet = WaveSetFor(kind);
    osc.pitch = osc.glideTarget = pitch;
    return osc;
}

std::vector<double> Render(BandLimitedOscillator& osc, int samples) {
    std::vector<double> out(samples);
    for (double& sample : out) {
        sample = osc.Tick();
    }
    return out;
}

// Frequency over the span between the first and last upward zero crossing,
// each placed between its samples by linear interpolation.
double MeasureFrequency(const std::vector<double>& signal) {
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    for (std::size_t i = 1; i < signal.size(); ++i) {
        if (signal[i - 1] < 0.0 && signal[i] >= 0.0) {
            last = (i - 1) + signal[i - 1] / (signal[i - 1] - signal[i]);
            first = crossings++ == 0 ? last : first;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * kDspSampleRate / (last - first);
}

TEST(BandLimitedOscillator, PlaysTheNoteFrequency) {
    BandLimitedOscillator a440 = At(57, kWaveSine);
    EXPECT_NEAR(MeasureFrequency(Render(a440, 44100)), 440.0, 0.01);
    BandLimitedOscillator quarterTone = At(57.5, kWaveSine);
    EXPECT_NEAR(MeasureFrequency(Render(quarterTone, 44100)), 440.0 * std::pow(2.0, 1.0 / 24),
                0.02);
    // The offset adds to the pitch; notes below 12 still follow the table.
    BandLimitedOscillator saw = At(45, kWaveSawtooth);
    saw.pitchOffset = 12;
    EXPECT_NEAR(MeasureFrequency(Render(saw, 44100)), 440.0, 0.05);
    BandLimitedOscillator low = At(0, kWaveSine);
    EXPECT_NEAR(MeasureFrequency(Render(low, 4 * 44100)), 16.3516, 0.001);
}

TEST(BandLimitedOscillator, GlidesInTheGivenNumberOfSamples) {
    BandLimitedOscillator osc = At(48, kWaveSawtooth);
    osc.GlideTo(60, 100);
    Render(osc, 50);
    EXPECT_NEAR(osc.pitch, 54.0, 1e-9);
    Render(osc, 49);
    EXPECT_LT(osc.pitch, 59.9);
    osc.Tick();
    EXPECT_NEAR(osc.pitch, 60.0, 1e-9);
    Render(osc, 10);
    EXPECT_EQ(osc.pitch, 60.0);
    // Without a glide time the pitch jumps after one sample, also when the
    // machine only moves the target.
    osc.GlideTo(40, 0);
    osc.Tick();
    EXPECT_EQ(osc.pitch, 40.0);
    osc.glideTarget = 47;
    osc.Tick();
    EXPECT_EQ(osc.pitch, 47.0);
}

TEST(BandLimitedOscillator, NeverReadsOutsideItsTables) {
    // More than a period per sample, a phase written out of range, NaN and
    // huge offsets and a missing wave set all play something finite (the
    // sanitizer build checks every read).
    BandLimitedOscillator fast = At(120, kWaveSine);
    fast.sampleRate = 8000;
    fast.phase = 7.25;
    for (double sample : Render(fast, 1000)) {
        ASSERT_TRUE(std::isfinite(sample));
        ASSERT_TRUE(fast.phase >= 0.0 && fast.phase < 1.0);
    }
    BandLimitedOscillator broken = At(60, kWaveSquare);
    for (double offset : {std::numeric_limits<double>::quiet_NaN(), -1e300}) {
        broken.pitchOffset = offset;
        for (double sample : Render(broken, 100)) {
            ASSERT_TRUE(std::isfinite(sample));
        }
    }
    BandLimitedOscillator silent = At(60, 0);
    for (double sample : Render(silent, 100)) {
        ASSERT_EQ(sample, 0.0);
    }
}

} // namespace
} // namespace tarn
