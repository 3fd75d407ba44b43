#pragma once

#include "MachineHost.h"

#include "machines/builtin/AnalogBass.h"
#include "support/SignalMeasures.h"

#include <map>
#include <span>
#include <string>
#include <vector>

namespace tarn::test {

// Hosts one Analog Bass the way a Node does, through messages only: attach,
// describe (recorded), sample rate 44100, tempo, Init, and every default
// value as an event before the first frame. Tests queue events for the next
// Render and read back what the machine wrote.
class AnalogBassHarness {
public:
    static constexpr double kRate = MachineHost::kRate;

    struct Parameter {
        std::int32_t index = 0;
        ParameterDescriptor descriptor;
    };

    explicit AnalogBassHarness(int bpm = 120);

    // Queues an event for the next Render, at a frame offset of its first
    // chunk.
    void Set(std::int32_t index, double value, int offset = 0);
    void Note(double note, double lengthBeats = 0.0, double velocity = 1.0, int offset = 0);

    // Renders frames in chunks of at most 256 and returns the first output
    // channel; the queued events go with the first chunk. Every chunk checks
    // that the second channel carries the same signal.
    std::vector<double> Render(int frames);
    // Renders a whole number of seconds' worth of frames.
    std::vector<double> RenderSeconds(double seconds);

    std::int32_t Send(std::int32_t type, std::int32_t value = 0, void* pointer = nullptr,
                      void* extra = nullptr);
    // FormatValue through the message: the answer, and the buffer's text.
    std::int32_t Format(std::int32_t index, double value, std::string& text);

    // What the machine described: info fields by message type, folders by
    // index, parameters in the order they arrived.
    std::map<std::int32_t, std::string> infoTexts;
    std::map<std::int32_t, std::int32_t> infoValues;
    std::map<std::int32_t, ParameterFolder> folders;
    std::vector<Parameter> parameters;
    const Parameter* Find(std::int32_t index) const;

private:
    static std::int32_t Callback(MachineMessage* message) noexcept;

    AnalogBass machine_;
    HostLink link_{this, &Callback, nullptr};
    MachineHost host_;
};

// The part of a render that starts at fromSeconds and lasts seconds.
std::span<const double> Window(const std::vector<double>& samples, double fromSeconds,
                               double seconds);

} // namespace tarn::test
