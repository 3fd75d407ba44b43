#pragma once

#include "audio/JackPlaythrough.h"
#include "audio/RecordingHost.h"
#include "audio/WaveOutDriver.h"

#include <gtest/gtest.h>

namespace tarn {
class JackDevice;
} // namespace tarn

namespace tarn::test {

// The whole run of a JACK device test on the server that runs: a driver in
// a latency mode on a JackDevice of its own, rendering a signal through a
// RecordingHost in the ring's blocks, opened, played through a
// JackPlaythrough and closed. The checks then read what was heard.
class JackDeviceRun {
public:
    JackDeviceRun(const JackPlaythrough::Signal& signal, LatencyMode mode, double serverRate,
                  PlayRing ring = {});

    // Opens the driver (the host must then be told the engine's 44 100 Hz,
    // whatever the server's rate), plays frames at the server's rate and
    // closes it.
    testing::AssertionResult Play(std::uint64_t frames);

    const JackPlaythrough& Playthrough() const { return playthrough_; }
    const RecordingHost& Host() const { return host_; }

private:
    RecordingHost host_;
    JackDevice* jack_ = nullptr; // owned by driver_, set as it is made
    WaveOutDriver driver_;
    JackPlaythrough playthrough_;
};

} // namespace tarn::test
