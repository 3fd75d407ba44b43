#include "dsp/SampleLoop.h"
#include "dsp/SampleReader.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace tarn {
namespace {

// The frames a voice reads at one frame per step, as a voice plays: wrap,
// read, step.
std::vector<double> ReadPositions(const SampleLoop& loop, double step, int count) {
    std::vector<double> positions;
    double phase = 0.0;
    for (int i = 0; i < count; ++i) {
        phase = loop.Wrap(phase);
        positions.push_back(loop.ReadPosition(phase));
        phase += step;
    }
    return positions;
}

TEST(SampleLoop, EveryKindReadsItsFramesInOrder) {
    const SampleLoop forward{.active = true, .kind = SampleLoop::kForward, .start = 2, .end = 5};
    EXPECT_EQ(ReadPositions(forward, 1.0, 12),
              (std::vector<double>{0, 1, 2, 3, 4, 2, 3, 4, 2, 3, 4, 2}));
    const SampleLoop alternating{
        .active = true, .kind = SampleLoop::kAlternating, .start = 2, .end = 5};
    EXPECT_EQ(ReadPositions(alternating, 1.0, 14),
              (std::vector<double>{0, 1, 2, 3, 4, 5, 4, 3, 2, 3, 4, 5, 4, 3}));
    const SampleLoop backward{.active = true, .kind = SampleLoop::kBackward, .start = 2, .end = 5};
    EXPECT_EQ(ReadPositions(backward, 1.0, 12),
              (std::vector<double>{0, 1, 2, 3, 4, 5, 4, 3, 5, 4, 3, 5}));
    // Unknown kinds loop forward; an inactive loop never wraps.
    const SampleLoop unknown{.active = true, .kind = 9, .start = 2, .end = 5};
    EXPECT_EQ(ReadPositions(unknown, 1.0, 12), ReadPositions(forward, 1.0, 12));
    EXPECT_EQ(ReadPositions(SampleLoop{}, 1.0, 4), (std::vector<double>{0, 1, 2, 3}));

    // A step many times the loop's length stays inside it.
    for (const SampleLoop& loop : {forward, alternating, backward}) {
        for (const double position : ReadPositions(loop, 37.25, 200)) {
            EXPECT_GE(position, 0.0);
            EXPECT_LE(position, loop.end);
        }
    }
}

TEST(SampleLoop, ReadingInterpolatesAndStaysInsideTheFrames) {
    const std::array<float, 4> samples{1.0f, 3.0f, -1.0f, 5.0f};
    EXPECT_EQ(ReadSample(samples.data(), 4, 1.0), 3.0);
    EXPECT_EQ(ReadSample(samples.data(), 4, 0.25), 1.5);
    EXPECT_EQ(ReadSample(samples.data(), 4, 2.5), 2.0);
    EXPECT_EQ(ReadSample(samples.data(), 4, 3.0), 5.0);
    EXPECT_EQ(ReadSample(samples.data(), 4, 1e12), 5.0);
    EXPECT_EQ(ReadSample(samples.data(), 4, -7.5), 1.0);
    EXPECT_EQ(ReadSample(samples.data(), 4, std::numeric_limits<double>::quiet_NaN()), 1.0);
    EXPECT_EQ(ReadSample(samples.data(), 0, 1.0), 0.0);
}

} // namespace
} // namespace tarn
