#include "GeneratorHarness.h"

#include "machines/builtin/AnalogBass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tarn {
namespace {

using test::AllFinite;
using test::GeneratorHarness;
using test::NoteHz;
using test::Peak;
using test::Rms;
using test::Window;
using test::ZeroCrossingFrequency;

constexpr double kRate = GeneratorHarness::kRate;
constexpr double kSine = 2.0;
constexpr double kTransitionSettled = 0.3; // seconds; a full cutoff sweep takes 0.28

// A voice with the filter fully open and still, so that what comes out is
// the oscillator under the amplitude envelope.
void OpenFilter(GeneratorHarness& host, double waveform) {
    host.Set(AnalogBass::kWaveform, waveform);
    host.Set(AnalogBass::kCutoff, 1.0);
    host.Set(AnalogBass::kEnvMod, 0.0);
    host.RenderSeconds(kTransitionSettled);
}

double Frequency(const std::vector<double>& out, double from, double seconds) {
    return ZeroCrossingFrequency(Window(out, from, seconds), kRate);
}

TEST(AnalogBassSound, NotesPlayAtTheirFrequencyOnEveryBasicWave) {
    struct Case {
        double waveform;
        double note;
    };
    for (const Case& c : {Case{kSine, 57}, Case{kSine, 45}, Case{kSine, 69}, Case{0.0, 57},
                          Case{1.0, 57}, Case{3.0, 57}}) {
        SCOPED_TRACE(testing::Message() << "waveform " << c.waveform << " note " << c.note);
        GeneratorHarness host(std::make_unique<AnalogBass>());
        OpenFilter(host, c.waveform);
        host.Note(c.note);
        const std::vector<double> out = host.RenderSeconds(0.5);
        EXPECT_TRUE(AllFinite(out));
        EXPECT_LE(Peak(out), 1.0);
        EXPECT_GT(Rms(Window(out, 0.1, 0.4)), 0.2);
        EXPECT_NEAR(Frequency(out, 0.1, 0.4), NoteHz(c.note), NoteHz(c.note) * 0.002);
    }
}

TEST(AnalogBassSound, ExtremeSettingsStayFiniteAndBounded) {
    for (double waveform : {0.0, 1.0, 2.0, 3.0, 4.0}) {
        for (double resonance : {0.0, 1.0}) {
            for (double cutoff : {0.0, 0.3, 1.0}) {
                SCOPED_TRACE(testing::Message() << "waveform " << waveform << " resonance "
                                                << resonance << " cutoff " << cutoff);
                GeneratorHarness host(std::make_unique<AnalogBass>());
                host.Set(AnalogBass::kWaveform, waveform);
                host.Set(AnalogBass::kResonance, resonance);
                host.Set(AnalogBass::kCutoff, cutoff);
                host.Set(AnalogBass::kEnvMod, 1.0);
                std::vector<double> out;
                for (double note : {0.0, 24.0, 57.0, 100.0, 127.0}) {
                    host.Note(note, 0.1);
                    const std::vector<double> part = host.RenderSeconds(0.1);
                    out.insert(out.end(), part.begin(), part.end());
                }
                EXPECT_TRUE(AllFinite(out));
                EXPECT_LE(Peak(out), 1.0);
                EXPECT_GT(Peak(out), 0.0);
            }
        }
    }
}

TEST(AnalogBassSound, NoteLengthAndNoteOffEndTheNote) {
    // 120 BPM: half a beat is 11025 samples.
    GeneratorHarness timed(std::make_unique<AnalogBass>(), 120);
    OpenFilter(timed, kSine);
    timed.Note(57, 0.5);
    std::vector<double> out = timed.Render(22050);
    EXPECT_GT(Rms(std::span(out).subspan(10000, 1000)), 0.5);
    // The shortest release is five samples; then the envelope is off.
    EXPECT_GT(Peak(std::span(out).subspan(11000, 25)), 0.1);
    EXPECT_EQ(Peak(std::span(out).subspan(11040)), 0.0);

    // Without a length the note holds until its note-off, then the release
    // (0.3 -> 0.135 s) fades it out.
    GeneratorHarness held(std::make_unique<AnalogBass>());
    OpenFilter(held, kSine);
    held.Set(AnalogBass::kRelease, 0.3);
    held.Note(57);
    out = held.RenderSeconds(2.0);
    EXPECT_GT(Rms(Window(out, 1.5, 0.5)), 0.5);
    held.Note(57, 0.0, 0.0);
    out = held.RenderSeconds(0.3);
    const double tail = 0.3 * 0.3 * 0.3 * 5.0;
    EXPECT_GT(Rms(Window(out, 0.0, 0.02)), 10.0 * Rms(Window(out, tail - 0.03, 0.02)));
    EXPECT_GT(Peak(Window(out, tail - 0.03, 0.02)), 0.0);
    EXPECT_EQ(Peak(Window(out, tail + 0.002, 0.1)), 0.0);
}

TEST(AnalogBassSound, GlideSlidesToTheNextNoteWithoutRestartingTheEnvelope) {
    GeneratorHarness host(std::make_unique<AnalogBass>());
    OpenFilter(host, kSine);
    host.Set(AnalogBass::kSustain, -20.0); // a restarted attack would jump tenfold
    host.Set(AnalogBass::kGlideTime, 0.5); // 0.625 s
    host.Set(AnalogBass::kGlide, 1.0);
    host.Note(45, 0.25); // 0.125 s, but held for the glide
    const std::vector<double> first = host.RenderSeconds(0.5);
    EXPECT_NEAR(Frequency(first, 0.2, 0.3), 220.0, 0.5);
    const double sustained = Rms(Window(first, 0.3, 0.2));
    const double sustainedPeak = Peak(Window(first, 0.3, 0.2));
    EXPECT_GT(sustained, 0.01);

    host.Note(57);
    const std::vector<double> glide = host.RenderSeconds(1.0);
    EXPECT_LT(Peak(Window(glide, 0.0, 0.1)), 1.2 * sustainedPeak);
    EXPECT_NEAR(Rms(Window(glide, 0.7, 0.3)), sustained, 0.05 * sustained);
    // The pitch moves linearly in notes: halfway through it is note 51.
    EXPECT_LT(Frequency(glide, 0.0, 0.03), 235.0);
    EXPECT_NEAR(Frequency(glide, 0.2825, 0.06), NoteHz(51), NoteHz(51) * 0.01);
    EXPECT_LT(Frequency(glide, 0.55, 0.05), 425.0);
    EXPECT_NEAR(Frequency(glide, 0.7, 0.3), 440.0, 0.5);

    // Without Glide a new note restarts the envelopes at once.
    host.Note(50);
    const std::vector<double> restarted = host.RenderSeconds(0.1);
    EXPECT_GT(Peak(Window(restarted, 0.0, 0.02)), 5.0 * sustainedPeak);
    EXPECT_NEAR(Frequency(restarted, 0.05, 0.05), NoteHz(50), NoteHz(50) * 0.01);
}

TEST(AnalogBassSound, SustainLevelSetsTheHeldLoudness) {
    const auto held = [](double sustain) {
        GeneratorHarness host(std::make_unique<AnalogBass>());
        OpenFilter(host, kSine);
        host.Set(AnalogBass::kSustain, sustain);
        host.Note(57);
        const std::vector<double> out = host.RenderSeconds(0.5);
        return std::pair(Rms(Window(out, 0.005, 0.035)), Rms(Window(out, 0.2, 0.3)));
    };
    const auto [decay0, full] = held(0.0);
    const auto [decay20, tenth] = held(-20.0);
    const auto [decay60, floor] = held(-60.0);
    // At 0 dB the decay is flat.
    EXPECT_NEAR(decay0, full, 0.01 * full);
    EXPECT_NEAR(tenth / full, 0.1, 0.002);
    EXPECT_NEAR(floor / full, 0.001, 0.00005);
    EXPECT_GT(decay20, 2.0 * tenth);
    EXPECT_GT(decay60, 10.0 * floor);
}

TEST(AnalogBassSound, StopSilencesAtOnce) {
    GeneratorHarness host(std::make_unique<AnalogBass>());
    OpenFilter(host, kSine);
    host.Set(AnalogBass::kAttack, 1.0); // five seconds: a release would wait for it
    host.Note(57);
    EXPECT_GT(Peak(Window(host.RenderSeconds(0.5), 0.4, 0.1)), 0.001);

    EXPECT_EQ(host.Send(kMsgStop, 0), 1); // only mode 1 stops
    EXPECT_GT(Peak(host.RenderSeconds(0.1)), 0.001);
    EXPECT_EQ(host.Send(kMsgStop, 1), 1);
    EXPECT_EQ(Peak(host.RenderSeconds(0.5)), 0.0);

    host.Set(AnalogBass::kAttack, 0.0);
    host.Note(57);
    EXPECT_GT(Rms(host.RenderSeconds(0.1)), 0.5);
}

TEST(AnalogBassSound, EventsTakeEffectAtTheirSampleOffsets) {
    const auto voice = [] {
        auto host = std::make_unique<GeneratorHarness>(std::make_unique<AnalogBass>());
        OpenFilter(*host, kSine);
        host->Set(AnalogBass::kDecay, 0.0);
        return host;
    };
    auto plain = voice();
    plain->Note(57, 0.0, 1.0, 100);
    plain->Note(57, 0.0, 0.0, 200);
    const std::vector<double> out = plain->Render(256);
    EXPECT_EQ(Peak(std::span(out).first(100)), 0.0);
    EXPECT_GT(Peak(std::span(out).subspan(100, 10)), 0.0);
    EXPECT_GT(Peak(std::span(out).subspan(190, 10)), 0.5);
    // Note-off at 200: the release starts on the next sample and lasts five.
    EXPECT_EQ(Peak(std::span(out).subspan(208)), 0.0);

    // A waveform change at 150 leaves everything before it alone; values
    // outside the waveform range change nothing at all.
    auto changed = voice();
    changed->Note(57, 0.0, 1.0, 100);
    changed->Set(AnalogBass::kWaveform, 7.0, 120);
    changed->Set(AnalogBass::kWaveform, -1.0, 130);
    changed->Set(AnalogBass::kWaveform, 1.0, 150);
    changed->Note(57, 0.0, 0.0, 200);
    const std::vector<double> other = changed->Render(256);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 150, other.begin()));
    EXPECT_GT(Peak(std::span(other).subspan(150, 5)), 0.0);
    bool differs = false;
    for (int frame = 150; frame < 155; ++frame) {
        differs = differs || out[frame] != other[frame];
    }
    EXPECT_TRUE(differs);

    // An event past the end of its chunk is not lost.
    auto late = voice();
    late->Note(57, 0.0, 1.0, 400);
    EXPECT_EQ(Peak(std::span<const double>(late->Render(255)).first(254)), 0.0);
    EXPECT_GT(Rms(late->Render(256)), 0.3);
}

// Renders a held saw under the filter; `change` sets a parameter at
// `atSeconds` after the note, or at the start when `early` is set.
std::vector<double> SweepRender(std::int32_t index, double from, double to, bool early) {
    GeneratorHarness host(std::make_unique<AnalogBass>());
    host.Set(AnalogBass::kEnvMod, 0.0);
    host.Set(AnalogBass::kCutoff, 1.0);
    host.Set(index, early ? to : from);
    host.RenderSeconds(0.5);
    host.Note(33);
    host.RenderSeconds(0.2);
    host.Set(index, to);
    return host.RenderSeconds(0.5);
}

// The swept voice meets the one that changed long ago exactly when the
// transition is over, not before.
void ExpectTransition(std::int32_t index, double from, double to, double seconds) {
    const std::vector<double> swept = SweepRender(index, from, to, false);
    const std::vector<double> settled = SweepRender(index, from, to, true);
    double before = 0.0;
    double after = 0.0;
    const auto end = static_cast<std::size_t>(seconds * kRate);
    for (std::size_t i = end - 441; i < end - 220; ++i) {
        before = std::max(before, std::abs(swept[i] - settled[i]));
    }
    for (std::size_t i = end + 441; i < swept.size(); ++i) {
        after = std::max(after, std::abs(swept[i] - settled[i]));
    }
    EXPECT_GT(before, 1e-4);
    EXPECT_LT(after, 1e-9);
}

TEST(AnalogBassSound, CutoffAndResonanceMoveOverTheirTransitionTimes) {
    {
        SCOPED_TRACE("cutoff 0 to 14000 Hz");
        ExpectTransition(AnalogBass::kCutoff, 0.0, 1.0, 0.28);
    }
    {
        SCOPED_TRACE("resonance 0 to 0.5");
        ExpectTransition(AnalogBass::kResonance, 0.0, std::cbrt(0.5), 0.1);
    }
}

} // namespace
} // namespace tarn
