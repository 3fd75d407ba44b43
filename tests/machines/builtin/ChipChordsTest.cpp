#include "GeneratorHarness.h"

#include "machines/builtin/ChipChords.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace tarn {
namespace {

using test::Cents;
using test::GeneratorHarness;
using test::NoteHz;
using test::Peak;
using test::ZeroCrossingFrequency;

constexpr double kRate = GeneratorHarness::kRate;
constexpr int kStep = 2206; // 50 ms per step: the countdown of 2205, and the step it ends on

// A chord machine whose note holds for five seconds.
std::unique_ptr<GeneratorHarness> Held(double mask) {
    auto host = std::make_unique<GeneratorHarness>(std::make_unique<ChipChords>());
    host->Set(ChipChords::kNotes, mask);
    host->Set(ChipChords::kSpeed, 50.0);
    host->Set(ChipChords::kAttack, 0.0);
    host->Set(ChipChords::kDecay, 5000.0);
    return host;
}

// The pitch of each step, read inside it clear of its edges.
std::vector<double> StepPitches(const std::vector<double>& out, int steps) {
    std::vector<double> pitches;
    for (int step = 0; step < steps; ++step) {
        const double hz = ZeroCrossingFrequency(
            std::span(out).subspan(static_cast<std::size_t>(step * kStep + 200), kStep - 400),
            kRate);
        pitches.push_back(57.0 + 12.0 * std::log2(hz / 440.0));
    }
    return pitches;
}

TEST(ChipChords, StepsThroughTheRootAndItsOffsetsInTheirOrderWithinACent) {
    const auto host = Held(0x0437);
    host->Note(48.0);
    const std::vector<double> out = host->Render(6 * kStep);
    const std::vector<double> pitches = StepPitches(out, 6);
    const double expected[] = {48, 52, 51, 55, 48, 52};
    for (int step = 0; step < 6; ++step) {
        EXPECT_NEAR(pitches[step], expected[step], 0.01) << "step " << step;
        EXPECT_NEAR(Cents(NoteHz(pitches[step]), NoteHz(expected[step])), 0.0, 1.0);
    }

    // A key release changes nothing; a new note restarts the cycle on its
    // root without dropping the level.
    host->Note(48.0, 0.0, 0.0);
    const std::vector<double> released = host->Render(2 * kStep);
    EXPECT_GT(Peak(std::span(released).subspan(kStep, kStep)),
              0.8 * Peak(std::span(out).subspan(5 * kStep, kStep)));
    host->Note(60.0);
    const std::vector<double> again = host->Render(3 * kStep);
    const std::vector<double> restarted = StepPitches(again, 3);
    EXPECT_NEAR(restarted[0], 60.0, 0.01);
    EXPECT_NEAR(restarted[1], 64.0, 0.01);
    EXPECT_GT(Peak(std::span(again).subspan(0, 100)), 0.9);

    // Mask 0 holds the root; offsets past the top note stay on it.
    const auto plain = Held(0);
    plain->Note(45.0);
    for (const double pitch : StepPitches(plain->Render(4 * kStep), 4)) {
        EXPECT_NEAR(pitch, 45.0, 0.01);
    }
    const auto high = Held(0xFFFF);
    high->Note(120.0);
    const std::vector<double> top = high->Render(4 * kStep);
    EXPECT_TRUE(test::AllFinite(top));
    EXPECT_GT(Peak(std::span(top).subspan(kStep, kStep)), 0.0);
}

TEST(ChipChords, TheEnvelopeKeepsItsTimesAndExtremesStayBounded) {
    // Attack 100 ms after the 44-sample first attack, decay 200 ms to
    // silence.
    auto host = Held(0);
    host->Set(ChipChords::kAttack, 100.0);
    host->Set(ChipChords::kDecay, 200.0);
    host->Note(45.0);
    const std::vector<double> out = host->RenderSeconds(0.5);
    std::size_t loudest = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        loudest = std::abs(out[i]) > std::abs(out[loudest]) ? i : loudest;
    }
    EXPECT_NEAR(static_cast<double>(loudest), 44 + 4410, 200); // the saw's peak lies in a period
    EXPECT_LT(Peak(std::span(out).subspan(44 + 4410 + 8820 - 200, 100)), 0.01);
    EXPECT_EQ(Peak(std::span(out).subspan(44 + 4410 + 8820 + 10)), 0.0);

    GeneratorHarness jumping(std::make_unique<ChipChords>());
    const double peak = test::JumpEveryParameter(jumping);
    EXPECT_GT(peak, 0.0);
    EXPECT_LE(peak, 1.0 + 1e-9);
}

} // namespace
} // namespace tarn
