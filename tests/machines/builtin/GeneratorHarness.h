#pragma once

#include "MachineHost.h"

#include "support/SignalMeasures.h"

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tarn::test {

// Hosts one generator the way a Node does, through messages only: attach,
// describe (recorded), sample rate 44100, tempo, Init, and every default
// value as an event before the first frame. Tests queue events for the next
// Render and read back what the machine wrote. The machine is either handed
// over or kept by the test, to look inside it.
class GeneratorHarness {
public:
    static constexpr double kRate = MachineHost::kRate;
    using Stereo = MachineHost::Stereo;

    explicit GeneratorHarness(Machine& machine, int bpm = 120);
    explicit GeneratorHarness(std::unique_ptr<Machine> machine, int bpm = 120);

    // Queues an event for the next Render, at a frame offset of its first
    // chunk; notes go to the note parameter given.
    void Set(std::int32_t index, double value, int offset = 0);
    void Note(double note, double lengthBeats = 0.0, double velocity = 1.0, int offset = 0,
              std::int32_t index = 0);

    // Renders frames in chunks of at most 256; the queued events go with the
    // first chunk. Render answers the first output of a mono machine and
    // checks that the second carries the same signal.
    Stereo RenderStereo(int frames) { return host_.Run(frames); }
    std::vector<double> Render(int frames);
    // Renders a whole number of seconds' worth of frames.
    std::vector<double> RenderSeconds(double seconds);

    std::int32_t Send(std::int32_t type, std::int32_t value = 0, void* pointer = nullptr,
                      void* extra = nullptr);
    std::int32_t Format(std::int32_t index, double value, std::string& text) {
        return host_.Format(index, value, text);
    }

    MachineDescription description;

private:
    std::unique_ptr<Machine> owned_;
    MachineHost host_;
};

// The part of a render that starts at fromSeconds and lasts seconds.
std::span<const double> Window(const std::vector<double>& samples, double fromSeconds,
                               double seconds);
// The last sample that is not zero, or -1.
int LastSounding(const std::vector<double>& samples);

// Ten seconds in which every parameter jumps between its minimum and
// maximum every chunk while notes (on every note parameter) come and go,
// some of them key releases. Expects every sample finite and answers the
// peak magnitude on either output.
double JumpEveryParameter(GeneratorHarness& host);

// For the subtractive synthesizers: the parameter index of oscillator k's
// (or LFO k's) own parameter, and one plain oscillator: osc 1 on with a
// sine, the others off, the amplitude envelope at full sustain and the
// filter open.
std::int32_t Osc(int k, std::int32_t parameter);
std::int32_t Lfo(int k, std::int32_t parameter);
void PlainSine(GeneratorHarness& host);

} // namespace tarn::test
