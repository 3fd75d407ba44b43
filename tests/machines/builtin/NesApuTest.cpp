#include "GeneratorHarness.h"

#include "dsp/DspLibrary.h"
#include "machines/builtin/NesApu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace tarn {
namespace {

using test::Cents;
using test::GeneratorHarness;
using test::LastSounding;
using test::NoteHz;
using test::Peak;
using test::PositiveShare;
using test::Window;
using test::ZeroCrossingFrequency;

constexpr double kRate = GeneratorHarness::kRate;
constexpr double kStep = 1.0 / 45.0; // one volume step of one channel

int Index(int channel, std::int32_t parameter) {
    return NesApu::Index(channel, parameter);
}

// A machine with only the given channel on.
std::unique_ptr<GeneratorHarness> Solo(int channel) {
    auto host = std::make_unique<GeneratorHarness>(std::make_unique<NesApu>());
    for (int other : {NesApu::kSquare1, NesApu::kSquare2, NesApu::kTriangle}) {
        host->Set(Index(other, NesApu::kEnabled), other == channel ? 1.0 : 0.0);
    }
    return host;
}

void PlayOn(GeneratorHarness& host, int channel, double note, double velocity = 1.0,
            int offset = 0) {
    host.Note(note, 0.0, velocity, offset, Index(channel, NesApu::kNote));
}

TEST(NesApu, ChannelsPlayTheNoteTableWithinACentAndTheSquaresAtThreeQuartersDuty) {
    for (const int channel : {NesApu::kSquare1, NesApu::kSquare2, NesApu::kTriangle}) {
        for (const double note : {33.0, 57.0, 76.0}) {
            SCOPED_TRACE(testing::Message() << "channel " << channel << " note " << note);
            const auto host = Solo(channel);
            host->Set(Index(channel, NesApu::kLength), 999.0);
            PlayOn(*host, channel, note);
            // Four whole periods of the squares' 5 Hz vibrato, which swings
            // the pitch evenly around the note.
            const std::vector<double> out = host->RenderSeconds(0.8);
            EXPECT_NEAR(Cents(ZeroCrossingFrequency(out, kRate), NoteFrequency(note)), 0.0, 1.0);
            EXPECT_NEAR(Cents(NoteFrequency(note), NoteHz(note)), 0.0, 1e-6);
            if (channel != NesApu::kTriangle) {
                EXPECT_NEAR(PositiveShare(out, kRate / NoteFrequency(note)), 0.75, 0.01);
                EXPECT_DOUBLE_EQ(Peak(out), 15 * kStep);
            } else {
                EXPECT_GE(Peak(out), 15 * kStep);
                EXPECT_LE(Peak(out), 17 * kStep);
            }
        }
    }

    // Everything at once peaks near (15 + 15 + 17) / 45; a disabled channel
    // is silent, and so is a machine that had no note yet.
    GeneratorHarness all(std::make_unique<NesApu>());
    EXPECT_EQ(Peak(all.Render(1000)), 0.0);
    for (const int channel : {NesApu::kSquare1, NesApu::kSquare2, NesApu::kTriangle}) {
        PlayOn(all, channel, 45.0 + channel * 7);
    }
    const double peak = Peak(all.Render(4000));
    EXPECT_GT(peak, 40 * kStep);
    EXPECT_LE(peak, 47 * kStep);
    const auto off = Solo(NesApu::kSquare1);
    PlayOn(*off, NesApu::kSquare2, 57.0);
    PlayOn(*off, NesApu::kTriangle, 57.0);
    EXPECT_EQ(Peak(off->Render(2000)), 0.0);
}

TEST(NesApu, LengthsDecaysAndTheTrianglesStepsKeepTheirSampleCounts) {
    // Length 100 ms: a countdown of 4410, so 4411 samples sound.
    const auto square = Solo(NesApu::kSquare1);
    PlayOn(*square, NesApu::kSquare1, 57.0);
    EXPECT_EQ(LastSounding(square->Render(6000)), 4410);

    // A 1 ms decay step (44 samples): the level drops after 45 samples,
    // then after 89, 177, 353 ..., each step twice the last plus one.
    const auto decay = Solo(NesApu::kSquare2);
    decay->Set(Index(NesApu::kSquare2, NesApu::kDecayEnabled), 1.0);
    decay->Set(Index(NesApu::kSquare2, NesApu::kDecayRate), 1.0);
    decay->Set(Index(NesApu::kSquare2, NesApu::kLength), 999.0);
    decay->Set(Index(NesApu::kSquare2, NesApu::kVolume), 12.0);
    PlayOn(*decay, NesApu::kSquare2, 57.0);
    const std::vector<double> decaying = decay->Render(2000);
    std::vector<int> drops;
    for (int i = 1; i < static_cast<int>(decaying.size()); ++i) {
        if (std::abs(decaying[i]) < std::abs(decaying[i - 1]) - 1e-12) {
            drops.push_back(i);
        }
    }
    ASSERT_GE(drops.size(), 4u);
    EXPECT_EQ(drops[0], 45);
    EXPECT_EQ(drops[1], 45 + 89);
    EXPECT_EQ(drops[2], 45 + 89 + 177);
    EXPECT_EQ(drops[3], 45 + 89 + 177 + 353);
    EXPECT_DOUBLE_EQ(std::abs(decaying[0]), 12 * kStep);
    EXPECT_DOUBLE_EQ(std::abs(decaying[45]), 11 * kStep);

    // The triangle rises one level per 18 samples, and a Length of 10 ms
    // starts the 15-step fade after 441 samples.
    const auto triangle = Solo(NesApu::kTriangle);
    triangle->Set(Index(NesApu::kTriangle, NesApu::kLength), 10.0);
    PlayOn(*triangle, NesApu::kTriangle, 93.0); // about 2.7 kHz: many periods per step
    const std::vector<double> shaped = triangle->Render(2000);
    const auto levelAround = [&shaped](int from) {
        return Peak(std::span(shaped).subspan(from, 18)) / kStep;
    };
    EXPECT_EQ(levelAround(0), 0.0);
    for (int level = 1; level <= 3; ++level) {
        EXPECT_GE(levelAround(18 * level), level * 0.9) << level;
        EXPECT_LE(levelAround(18 * level), level * 17.0 / 15.0 + 1e-9) << level;
    }
    EXPECT_GE(Peak(std::span(shaped).subspan(300, 141)), 15 * kStep);
    const int last = LastSounding(shaped);
    EXPECT_GT(last, 441 + 14 * 18);
    EXPECT_LE(last, 441 + 15 * 18);
}

TEST(NesApu, KeyReleasesEndNotesAndWildValuesStayBounded) {
    // A key release stops a square at once and fades the triangle; it
    // never starts a note.
    const auto square = Solo(NesApu::kSquare1);
    square->Set(Index(NesApu::kSquare1, NesApu::kLength), 999.0);
    PlayOn(*square, NesApu::kSquare1, 57.0);
    square->Render(1000);
    PlayOn(*square, NesApu::kSquare1, 57.0, 0.0, 10);
    EXPECT_EQ(LastSounding(square->Render(1000)), 10);
    PlayOn(*square, NesApu::kSquare1, 60.0, 0.0);
    EXPECT_EQ(Peak(square->Render(1000)), 0.0);

    const auto triangle = Solo(NesApu::kTriangle);
    triangle->Set(Index(NesApu::kTriangle, NesApu::kLength), 999.0);
    PlayOn(*triangle, NesApu::kTriangle, 57.0);
    triangle->Render(1000);
    PlayOn(*triangle, NesApu::kTriangle, 57.0, 0.0);
    const std::vector<double> fading = triangle->Render(1000);
    EXPECT_GT(LastSounding(fading), 14 * 18);
    EXPECT_LE(LastSounding(fading), 16 * 18);

    // Every parameter jumping between its extremes stays within the mix's
    // peak.
    GeneratorHarness jumping(std::make_unique<NesApu>());
    const double peak = test::JumpEveryParameter(jumping);
    EXPECT_GT(peak, 0.0);
    EXPECT_LE(peak, 47 * kStep + 1e-12);
}

} // namespace
} // namespace tarn
