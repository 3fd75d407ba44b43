#include "GeneratorHarness.h"

#include "machines/builtin/Widestrings.h"

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
using test::Rms;
using test::Window;
using test::ZeroCrossingFrequency;

constexpr double kRate = GeneratorHarness::kRate;
constexpr double kSine = 2.0;

int Osc(int k, std::int32_t parameter) {
    return Widestrings::Oscillator(k, parameter);
}

// Side against mid: 0 for a centred signal, 1 when the sides are as loud
// as their sum, large for signals in opposite phase.
double Width(const GeneratorHarness::Stereo& out, double from, double seconds) {
    std::vector<double> mid;
    std::vector<double> side;
    for (std::size_t i = 0; i < out.left.size(); ++i) {
        mid.push_back(out.left[i] + out.right[i]);
        side.push_back(out.left[i] - out.right[i]);
    }
    return Rms(Window(side, from, seconds)) / Rms(Window(mid, from, seconds));
}

TEST(Widestrings, EachOscillatorPlaysItsDetunedPitchWhereItIsPanned) {
    for (int k = 0; k < Widestrings::kOscillators; ++k) {
        SCOPED_TRACE(k);
        GeneratorHarness host(std::make_unique<Widestrings>());
        for (int other = 0; other < Widestrings::kOscillators; ++other) {
            host.Set(Osc(other, Widestrings::kVolume), other == k ? 1.0 : 0.0);
        }
        host.Set(Osc(k, Widestrings::kWave), kSine);
        host.Set(Osc(k, Widestrings::kPan), -1.0);
        host.Note(57.0);
        const GeneratorHarness::Stereo out = host.RenderStereo(static_cast<int>(kRate));
        const double expected = NoteHz(57.0 + Widestrings::kDetuneCents[k] * 0.01);
        EXPECT_NEAR(Cents(ZeroCrossingFrequency(Window(out.left, 0.5, 0.5), kRate), expected), 0.0,
                    1.0);
        // Hard left: nothing on the right; the sustain is 70 % of a quarter.
        EXPECT_EQ(Peak(out.right), 0.0);
        EXPECT_NEAR(Peak(Window(out.left, 0.5, 0.5)), 0.7 * 0.25, 0.002);
    }
}

TEST(Widestrings, PansSetTheStereoWidthAndNotesEndByLengthOrRelease) {
    // Centred: both sides carry the same signal.
    GeneratorHarness centred(std::make_unique<Widestrings>());
    centred.Note(45.0, 1.0);
    const GeneratorHarness::Stereo middle = centred.RenderStereo(static_cast<int>(kRate));
    for (std::size_t i = 0; i < middle.left.size(); ++i) {
        ASSERT_NEAR(middle.left[i], middle.right[i], 1e-12) << i;
    }
    EXPECT_GT(Rms(Window(middle.left, 0.2, 0.2)), 0.08);
    // The attack takes 80 ms from the floor.
    EXPECT_LT(Peak(Window(middle.left, 0.0, 0.01)), 0.2 * Peak(Window(middle.left, 0.07, 0.02)));

    // Spread from hard left to hard right, the ensemble is wide; half way
    // out it is narrower, though not centred.
    double widths[2];
    for (const double spread : {1.0, 0.5}) {
        GeneratorHarness host(std::make_unique<Widestrings>());
        for (int k = 0; k < Widestrings::kOscillators; ++k) {
            host.Set(Osc(k, Widestrings::kPan), spread * (k % 2 == 0 ? -1.0 : 1.0));
        }
        host.Note(45.0);
        widths[spread == 1.0 ? 0 : 1] = Width(host.RenderStereo(static_cast<int>(kRate)), 0.2, 0.8);
    }
    EXPECT_GT(widths[0], 0.3);
    EXPECT_GT(widths[1], 0.1);
    EXPECT_LT(widths[1], widths[0]);

    // A one-beat note (22050 samples at 120 bpm) releases over 400 ms to
    // the -60 dB floor; a key release ends a held note the same way.
    EXPECT_GT(Rms(Window(middle.left, 0.45, 0.05)), 0.08);
    EXPECT_LT(Peak(Window(middle.left, 0.91, 0.09)), 0.0005);
    GeneratorHarness held(std::make_unique<Widestrings>());
    held.Note(45.0);
    held.RenderStereo(static_cast<int>(kRate));
    held.Note(45.0, 0.0, 0.0);
    const GeneratorHarness::Stereo released = held.RenderStereo(static_cast<int>(kRate));
    EXPECT_GT(Rms(Window(released.left, 0.0, 0.05)), 0.05);
    EXPECT_LT(Peak(Window(released.left, 0.41, 0.5)), 0.0005);

    // Every output is written (never left stale), and extremes stay within
    // the four quarters of the mix.
    GeneratorHarness jumping(std::make_unique<Widestrings>());
    const double peak = test::JumpEveryParameter(jumping);
    EXPECT_GT(peak, 0.0);
    EXPECT_LE(peak, 1.0 + 1e-9);
}

} // namespace
} // namespace tarn
