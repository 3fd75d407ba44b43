#include "dsp/DspLibrary.h"
#include "base/MessagePipe.h"
#include "dsp/TablePosition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tarn {
namespace {

TEST(DspLibrary, PitchTablesCurvesAndGuardNoise) {
    EXPECT_NEAR(NoteFrequency(0), 16.3516, 5e-5);
    EXPECT_NEAR(NoteFrequency(57), 440.0, 440.0 * 1e-12);
    EXPECT_NEAR(NoteFrequency(128) / NoteFrequency(116), 2.0, 1e-12);
    EXPECT_NEAR(FinePitch(kFinePitchSteps), NoteFrequency(58) / NoteFrequency(57), 1e-14);
    EXPECT_EQ(FallingCurve()[kCurveLength], 0.0);
    EXPECT_EQ(RisingCurve()[kCurveLength], 1.0);
    EXPECT_NEAR(RisingCurve()[0], 0.00101, 1e-5);
    for (int i = 1; i < kCurveLength; ++i) {
        ASSERT_EQ(RisingCurve()[i], FallingCurve()[kCurveLength - i]);
    }
    // First draw by hand: 45 * 214013 + 2531011 = 12161596; >> 16 = 185.
    EXPECT_DOUBLE_EQ(GuardNoise(0), (185.0 / 32768.0 - 0.5) * 1e-50);
    EXPECT_EQ(GuardNoise(0xffffffffu), GuardNoise(31));
}

TEST(DspLibrary, LfoShapesEndOnTheirGuardSamples) {
    const double expected[kLfoShapeCount][4] = {// sample 0, 64, 128, guard
                                                {0.0, 1.0, 0.0, 0.0},
                                                {-1.0, -0.5, 0.0, 1.0},
                                                {-1.0, 0.0, 1.0, -1.0},
                                                {-1.0, -1.0, 1.0, -1.0}};
    for (int shape = 0; shape < kLfoShapeCount; ++shape) {
        const double* s = LfoTable(shape)->samples;
        EXPECT_EQ(s[0], expected[shape][0]) << shape;
        EXPECT_EQ(s[64], expected[shape][1]) << shape;
        EXPECT_NEAR(s[128], expected[shape][2], 1e-15) << shape;
        EXPECT_EQ(s[256], expected[shape][3]) << shape;
    }
    EXPECT_EQ(LfoTable(kLfoShapeCount), nullptr);
}

TEST(DspLibrary, LookupsRejectionAndRelease) {
    EXPECT_EQ(WaveSetFor(0), nullptr);
    EXPECT_EQ(CycleTableFor(kWaveSawtooth, -40), &WaveSetFor(kWaveSawtooth)->ForNote(12));

    std::vector<std::string> errors;
    auto receive = [](void* to, int, const std::string& text) {
        static_cast<std::vector<std::string>*>(to)->push_back(text);
    };
    ErrorOut().RegisterReceiver(&errors, receive, kErrorLine);
    EXPECT_EQ(InitializeDspLibrary(std::nan("")), 0);
    ErrorOut().UnregisterReceiver(&errors);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("error: ", 0), 0u);
    EXPECT_EQ(DspSampleRate(), kDspSampleRate); // a refused call keeps the tables

    // Released tables play silence instead of pointing at freed memory.
    ReleaseDspLibrary();
    const CycleTable* released = CycleTableFor(kWaveSine, 60);
    for (int m = 0; m < released->count; ++m) {
        ASSERT_EQ(released->samples[m], 0.0);
    }
    ASSERT_EQ(InitializeDspLibrary(kDspSampleRate), 1);
    EXPECT_EQ(CycleTableFor(kWaveSine, 60)->samples[256], 1.0);
}

TEST(TablePosition, WholePositionsReadTheirEntryAlone) {
    // x - 0.5 ties to the even neighbour: 3.0 first splits as (2, 1.0).
    const double table[] = {0.0, 1.0, 4.0, 9.0, 16.0};
    EXPECT_EQ(SplitPosition(3.0).index, 3);
    EXPECT_EQ(Interpolate(table, 3.0), 9.0);
    EXPECT_EQ(Interpolate(table, 2.0), 4.0);
    EXPECT_EQ(Interpolate(table, 2.5), 6.5);
    EXPECT_EQ(SplitPosition(-0.25).index, -1);
}

} // namespace
} // namespace tarn
