#include "dsp/DspLibrary.h"
#include "base/MessagePipe.h"
#include "dsp/TablePosition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tarn {
namespace {

struct ErrorLines {
    std::vector<std::string> lines;
    static void Receive(void* self, int, const std::string& text) {
        static_cast<ErrorLines*>(self)->lines.push_back(text);
    }
};

TEST(DspLibrary, NoteTableIsEqualTemperedFromC0) {
    EXPECT_NEAR(NoteFrequency(0), 16.3516, 5e-5);
    EXPECT_NEAR(NoteFrequency(57), 440.0, 440.0 * 1e-12);
    EXPECT_NEAR(NoteFrequency(69), 880.0, 880.0 * 1e-12);
    EXPECT_NEAR(NoteFrequency(128), 440.0 * std::pow(2.0, 71.0 / 12.0), 1e-8);
    for (int k = 1; k < kNoteTableSize; ++k) {
        EXPECT_NEAR(NoteFrequency(k) / NoteFrequency(k - 1), std::pow(2.0, 1.0 / 12.0), 1e-14);
    }
}

TEST(DspLibrary, FinePitchSpansOneSemitone) {
    EXPECT_EQ(FinePitch(0), 1.0);
    EXPECT_NEAR(FinePitch(512), std::pow(2.0, 1.0 / 24.0), 1e-15);
    EXPECT_NEAR(FinePitch(kFinePitchSteps), NoteFrequency(58) / NoteFrequency(57), 1e-14);
    for (int i = 1; i <= kFinePitchSteps; ++i) {
        ASSERT_GT(FinePitch(i), FinePitch(i - 1));
    }
}

TEST(DspLibrary, EnvelopeCurvesSpanSixtyDecibelsAndLandOnTheirEnds) {
    const double* falling = FallingCurve();
    const double* rising = RisingCurve();
    EXPECT_EQ(falling[0], 1.0);
    EXPECT_NEAR(falling[kCurveLength - 1], std::exp(-200.0 / 29.0 * 1023.0 / 1024.0), 1e-15);
    EXPECT_EQ(falling[kCurveLength], 0.0);
    EXPECT_NEAR(rising[0], 0.00101, 1e-5);
    EXPECT_EQ(rising[kCurveLength], 1.0);
    for (int i = 1; i < kCurveLength; ++i) {
        ASSERT_LT(falling[i], falling[i - 1]);
        ASSERT_EQ(rising[i], falling[kCurveLength - i]) << i;
    }
}

TEST(DspLibrary, GuardNoiseIsTheClassicGeneratorSeededWith45) {
    // First draw by hand: 45 * 214013 + 2531011 = 12161596; >> 16 = 185.
    EXPECT_DOUBLE_EQ(GuardNoise(0), (185.0 / 32768.0 - 0.5) * 1e-50);
    EXPECT_EQ(GuardNoise(32), GuardNoise(0));
    EXPECT_EQ(GuardNoise(0xffffffffu), GuardNoise(31));
    bool varies = false;
    for (std::uint32_t i = 0; i < kGuardNoiseCount; ++i) {
        EXPECT_LE(std::abs(GuardNoise(i)), 0.5e-50);
        EXPECT_NE(GuardNoise(i), 0.0); // only a draw of exactly 16384 would give 0
        varies = varies || GuardNoise(i) != GuardNoise(0);
    }
    EXPECT_TRUE(varies);
}

TEST(DspLibrary, LfoShapesAndTheirGuardSamples) {
    const WaveTable* sine = LfoTable(kLfoSine);
    const WaveTable* ramp = LfoTable(kLfoRampUp);
    const WaveTable* triangle = LfoTable(kLfoTriangle);
    const WaveTable* square = LfoTable(kLfoSquare);
    ASSERT_NE(sine, nullptr);
    for (const WaveTable* table : {sine, ramp, triangle, square}) {
        EXPECT_EQ(table->period, 256.0);
        EXPECT_EQ(table->count, 257);
    }
    EXPECT_EQ(sine->samples[64], 1.0);
    EXPECT_NEAR(sine->samples[192], -1.0, 1e-15);
    EXPECT_EQ(sine->samples[256], sine->samples[0]);
    EXPECT_EQ(ramp->samples[0], -1.0);
    EXPECT_EQ(ramp->samples[128], 0.0);
    EXPECT_EQ(ramp->samples[255], 255.0 / 128.0 - 1.0);
    EXPECT_EQ(ramp->samples[256], 1.0);
    EXPECT_EQ(triangle->samples[0], -1.0);
    EXPECT_EQ(triangle->samples[64], 0.0);
    EXPECT_EQ(triangle->samples[128], 1.0);
    EXPECT_EQ(triangle->samples[192], 0.0);
    EXPECT_EQ(triangle->samples[256], -1.0);
    EXPECT_EQ(square->samples[127], -1.0);
    EXPECT_EQ(square->samples[128], 1.0);
    EXPECT_EQ(square->samples[256], -1.0);
    EXPECT_EQ(LfoTable(-1), nullptr);
    EXPECT_EQ(LfoTable(kLfoShapeCount), nullptr);
}

TEST(DspLibrary, LookupByKindAndNote) {
    EXPECT_EQ(WaveSetFor(0), nullptr);
    EXPECT_EQ(WaveSetFor(kWaveKindCount + 1), nullptr);
    EXPECT_EQ(WaveTableFor(8, 60), nullptr);
    const WaveSet* saw = WaveSetFor(kWaveSawtooth);
    ASSERT_NE(saw, nullptr);
    EXPECT_EQ(WaveTableFor(kWaveSawtooth, 60), &saw->ForNote(60));
    // Notes below 12 play the note-12 table; nothing reads outside the set.
    EXPECT_EQ(WaveTableFor(kWaveSawtooth, 0), &saw->ForNote(12));
    EXPECT_EQ(WaveTableFor(kWaveSawtooth, -40), &saw->ForNote(12));
    EXPECT_EQ(WaveTableFor(kWaveSawtooth, 500), &saw->ForNote(128));
    EXPECT_NE(saw->ForNote(12).samples, saw->ForNote(13).samples);
    EXPECT_NE(WaveTableFor(kWaveSquare, 60)->samples, saw->ForNote(60).samples);
}

TEST(DspLibrary, RejectsABadRateAndPlaysSilenceWhenReleased) {
    ErrorLines errors;
    ErrorOut().RegisterReceiver(&errors, &ErrorLines::Receive, kErrorLine);
    EXPECT_EQ(InitializeDspLibrary(0.0), 0);
    EXPECT_EQ(InitializeDspLibrary(std::nan("")), 0);
    ErrorOut().UnregisterReceiver(&errors);
    ASSERT_EQ(errors.lines.size(), 2u);
    EXPECT_EQ(errors.lines[0].rfind("error: ", 0), 0u);
    // A failed call leaves the built tables alone.
    EXPECT_EQ(DspSampleRate(), kDspSampleRate);
    EXPECT_EQ(WaveTableFor(kWaveSine, 60)->samples[256], 1.0);

    ReleaseDspLibrary();
    EXPECT_EQ(DspSampleRate(), 0.0);
    const WaveTable* released = WaveTableFor(kWaveSine, 60);
    ASSERT_NE(released, nullptr);
    for (int m = 0; m < released->count; ++m) {
        ASSERT_EQ(released->samples[m], 0.0);
    }
    EXPECT_EQ(LfoTable(kLfoSquare)->samples[0], 0.0);

    ASSERT_EQ(InitializeDspLibrary(kDspSampleRate), 1);
    EXPECT_EQ(WaveTableFor(kWaveSine, 60)->samples[256], 1.0);
    EXPECT_NEAR(NoteFrequency(57), 440.0, 1e-9);
}

TEST(TablePosition, NearestBelowWithExactEntriesAtWholePositions) {
    // Whole positions read their entry alone, whichever way x - 0.5 ties.
    for (double x : {0.0, 1.0, 2.0, 3.0, 1023.0}) {
        const TablePosition p = SplitPosition(x);
        EXPECT_EQ(p.index, static_cast<int>(x));
        EXPECT_EQ(p.fraction, 0.0);
    }
    TablePosition p = SplitPosition(2.25);
    EXPECT_EQ(p.index, 2);
    EXPECT_EQ(p.fraction, 0.25);
    p = SplitPosition(1023.999);
    EXPECT_EQ(p.index, 1023);
    EXPECT_NEAR(p.fraction, 0.999, 1e-9);
    p = SplitPosition(-0.25);
    EXPECT_EQ(p.index, -1);
    EXPECT_EQ(p.fraction, 0.75);

    const double table[] = {0.0, 1.0, 4.0, 9.0, 16.0};
    EXPECT_EQ(Interpolate(table, 3.0), 9.0);
    EXPECT_EQ(Interpolate(table, 2.0), 4.0);
    EXPECT_EQ(Interpolate(table, 2.5), 6.5);
    EXPECT_EQ(Interpolate(table, 3.75), 9.0 * 0.25 + 16.0 * 0.75);
}

} // namespace
} // namespace tarn
