#pragma once

#include "audio/JackCaptureClient.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace tarn {
class JackDevice;
class WaveOutDriver;
} // namespace tarn

namespace tarn::test {

// The blocks a driver renders and how many of them it keeps queued: the
// safe ring unless told otherwise.
struct PlayRing {
    std::uint64_t blockFrames = 800;
    std::uint64_t blocks = 10;
};

// One stream played through a WaveOutDriver on a JackDevice while a second
// JACK client listens to both of its ports, with the checks of what the
// server played and the listener heard. Every wait goes by the server's
// clock, with a deadline far beyond what a loaded machine needs; none is a
// fixed sleep.
class JackPlaythrough {
public:
    // The frames the host rendered for channel 0 (left) or 1 (right),
    // counted from the stream's first frame, full scale +-1.0.
    using Signal = std::function<double(int channel, std::uint64_t frame)>;

    // driver is open on jack; both outlive this object. serverRate is the
    // JACK server's; the driver renders at 44 100 Hz.
    JackPlaythrough(WaveOutDriver& driver, JackDevice& jack, double serverRate = 44100.0,
                    PlayRing ring = {});

    // Connects the listener to both ports of jack and waits until the
    // server's cycles use the connections.
    testing::AssertionResult Listen();
    const JackCaptureClient& Capture() const { return capture_; }

    // Starts the driver and stops it once frames (at the server's rate) were
    // played by the server's clock; then waits until everything the host had
    // rendered by then (framesRendered(), asked after the stop) has played
    // out, and the listener has heard some silence after it.
    testing::AssertionResult Play(std::uint64_t frames,
                                  const std::function<std::uint64_t()>& framesRendered);
    std::uint64_t Rendered() const { return rendered_; }

    // After Play: the server paced the stream, which never ran ahead of the
    // wall clock nor dry; the fill thread ran ahead of the server by at most
    // the ring (and what a rate conversion holds back), in whole blocks.
    void ExpectRealTimePace() const;
    // After Play: the listener heard silence, then every rendered frame of
    // expected, in order, once, within the 16-bit conversion, then silence
    // again. The stream's first frame must not be silent in both channels.
    void ExpectHeard(const Signal& expected) const;

private:
    WaveOutDriver& driver_;
    JackDevice& jack_;
    JackCaptureClient capture_;
    double ratio_; // server frames per rendered frame
    PlayRing ring_;
    std::uint64_t played_ = 0; // when the stream was stopped
    double seconds_ = 0.0;     // from start to stop, by the wall clock
    std::uint64_t rendered_ = 0;
    std::uint64_t underruns_ = 0;
};

} // namespace tarn::test
