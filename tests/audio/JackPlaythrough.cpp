#include "audio/JackPlaythrough.h"

#include "audio/JackDevice.h"
#include "audio/SendMessage.h"
#include "audio/WaitUntil.h"
#include "audio/WaveOutDriver.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

namespace tarn::test {
namespace {

constexpr double kRate = 44100.0;
// Room for the stream, the ring played out after it and the moments before.
constexpr std::size_t kCaptureFrames = 6 * 44100;
// Silence the listener records after the stream: several server periods.
constexpr std::size_t kTailFrames = 2048;
// A guard against a hung server, far beyond what a loaded machine needs.
constexpr auto kPatience = std::chrono::seconds(30);
// The driver turns +-1.0 into +-32767; the JACK device turns a code back
// into code / 32768.
constexpr double kFullScaleCode = 32767.0;
constexpr double kPortScale = 32768.0;
// Rounding and the driver's dither each move a sample by at most half a code.
constexpr double kConversionCodes = 1.0 + 1e-9;

} // namespace

JackPlaythrough::JackPlaythrough(WaveOutDriver& driver, JackDevice& jack, double serverRate,
                                 PlayRing ring)
    : driver_(driver), jack_(jack),
      capture_(static_cast<std::size_t>(kCaptureFrames * serverRate / kRate)),
      ratio_(serverRate / kRate), ring_(ring) {}

testing::AssertionResult JackPlaythrough::Listen() {
    if (!capture_.IsOpen()) {
        return testing::AssertionFailure() << "the listener cannot join the server";
    }
    for (int channel = 0; channel < 2; ++channel) {
        if (!capture_.Listen(jack_.PortName(channel), channel)) {
            return testing::AssertionFailure() << "cannot listen to " << jack_.PortName(channel);
        }
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult
JackPlaythrough::Play(std::uint64_t frames, const std::function<std::uint64_t()>& framesRendered) {
    if (SendMessage(driver_, kDeviceStart) != 1) {
        return testing::AssertionFailure() << "the driver did not start";
    }
    const auto started = std::chrono::steady_clock::now();
    if (!WaitUntil([&] { return jack_.FramesPlayed() >= frames; }, kPatience)) {
        return testing::AssertionFailure() << jack_.FramesPlayed() << " frames played";
    }
    played_ = jack_.FramesPlayed();
    seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (SendMessage(driver_, kDeviceStop) != 1) {
        return testing::AssertionFailure() << "the driver did not stop";
    }
    rendered_ = framesRendered();
    underruns_ = jack_.Underruns();
    // The ring plays out what the fill thread left in it. A conversion plays
    // some silence ahead of the stream, so its count is a lower bound.
    const auto expected = static_cast<std::uint64_t>(static_cast<double>(rendered_) * ratio_);
    if (!WaitUntil([&] { return jack_.FramesPlayed() >= expected; }, kPatience)) {
        return testing::AssertionFailure()
               << jack_.FramesPlayed() << " of " << expected << " frames played";
    }
    const std::size_t heard = capture_.Frames();
    if (!WaitUntil([&] { return capture_.Frames() >= heard + kTailFrames; }, kPatience)) {
        return testing::AssertionFailure() << "the listener stopped at frame " << capture_.Frames();
    }
    capture_.Close();
    if (ratio_ == 1.0 && jack_.FramesPlayed() != rendered_) {
        return testing::AssertionFailure()
               << jack_.FramesPlayed() << " frames played of " << rendered_ << " rendered";
    }
    return testing::AssertionSuccess();
}

void JackPlaythrough::ExpectRealTimePace() const {
    EXPECT_EQ(underruns_, 0u) << "server xruns: " << capture_.Xruns();
    // A loaded server skips cycles and may fall behind the wall clock, but
    // never runs ahead of it.
    EXPECT_LE(static_cast<double>(played_), 1.03 * seconds_ * kRate * ratio_ + 1024)
        << "in " << seconds_ << " s";
    const double played = static_cast<double>(played_) / ratio_;
    // A conversion holds up to a block of its own besides the ring.
    const auto block = static_cast<double>(ring_.blockFrames);
    const double converting = ratio_ == 1.0 ? 0.0 : block;
    EXPECT_GE(static_cast<double>(rendered_), played);
    EXPECT_LE(static_cast<double>(rendered_),
              played + static_cast<double>(ring_.blocks) * block + block + converting);
    EXPECT_EQ(rendered_ % ring_.blockFrames, 0u);
}

void JackPlaythrough::ExpectHeard(const Signal& expected) const {
    const std::vector<float>& left = capture_.Channel(0);
    const std::vector<float>& right = capture_.Channel(1);
    const std::size_t frames = capture_.Frames();
    std::size_t first = 0;
    while (first < frames && left[first] == 0.0f && right[first] == 0.0f) {
        ++first;
    }
    ASSERT_GE(frames, first + rendered_) << "not every rendered frame was heard";
    std::uint64_t wrong = 0;
    std::uint64_t firstWrong = rendered_;
    for (std::uint64_t frame = 0; frame < rendered_; ++frame) {
        for (int channel = 0; channel < 2; ++channel) {
            const double heard = capture_.Channel(channel)[first + frame] * kPortScale;
            // Written so that a NaN counts as wrong.
            if (!(std::abs(heard - expected(channel, frame) * kFullScaleCode) <=
                  kConversionCodes)) {
                firstWrong = std::min(firstWrong, frame);
                ++wrong;
            }
        }
    }
    EXPECT_EQ(wrong, 0u) << "first wrong frame " << firstWrong << " of " << rendered_
                         << ", server xruns: " << capture_.Xruns();
    for (std::size_t frame = first + rendered_; frame < frames; ++frame) {
        ASSERT_EQ(left[frame], 0.0f) << "frame " << frame << ", after the stream";
        ASSERT_EQ(right[frame], 0.0f) << "frame " << frame << ", after the stream";
    }
}

} // namespace tarn::test
