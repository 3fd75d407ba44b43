#pragma once

#include "MachineHost.h"

#include "machines/framework/Machine.h"
#include "support/SignalMeasures.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tarn::test {

// Hosts one stereo effect through messages, as a Node does: sample rate
// 44100, a tempo, Init. Tests queue parameter events for the next Process
// and read back both outputs.
class EffectHarness {
public:
    static constexpr double kRate = MachineHost::kRate;
    using Stereo = MachineHost::Stereo;

    explicit EffectHarness(std::unique_ptr<Machine> machine, int bpm = 120);

    Machine& machine() { return *machine_; }

    // Sends a new tempo, as the work cycle does when the song's BPM changes.
    void SetTempo(int bpm) { host_.SetTempo(bpm); }
    // Queues an event for the first chunk of the next Process.
    void Set(std::int32_t index, double value, double glideBeats = 0.0, double endValue = -1.0);
    // The same at a frame of that chunk.
    void SetAt(int offset, std::int32_t index, double value);
    // The machine's display text of a value, through FormatValue.
    std::string Text(std::int32_t index, double value);

    // Runs the inputs through in chunks of at most 256 frames, as long as
    // the longer of them. An empty input span leaves that input unconnected.
    Stereo Process(std::span<const double> left, std::span<const double> right);
    Stereo Process(std::span<const double> both) { return Process(both, both); }

private:
    std::unique_ptr<Machine> machine_;
    MachineHost host_;
};

// Test signals and measures.
std::vector<double> Impulse(int frames, int at = 0);
std::vector<double> Sine(double frequency, int frames, double amplitude = 1.0);
// Uniform noise in -1..1, the same for the same seed.
std::vector<double> Noise(int frames, unsigned seed);
// Level change in dB of a sine through a channel, over its last half, so the
// filters have settled.
double SineGainDb(std::span<const double> in, std::span<const double> out);

} // namespace tarn::test
