#pragma once

#include "machines/framework/Machine.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace tarn::test {

// The host end of a machine's description, kept as it arrives: info fields
// by message type, folders by index, parameters in the order they began and
// the program names. A MachineHost given its link attaches the machine to
// it.
struct MachineDescription {
    struct Parameter {
        std::int32_t index = 0;
        ParameterDescriptor descriptor;
    };

    MachineDescription() = default;
    MachineDescription(const MachineDescription&) = delete;
    MachineDescription& operator=(const MachineDescription&) = delete;

    const Parameter* Find(std::int32_t index) const;

    HostLink link{this, &Callback, nullptr};
    std::map<std::int32_t, std::string> infoTexts;
    std::map<std::int32_t, std::int32_t> infoValues;
    std::map<std::int32_t, ParameterFolder> folders;
    std::vector<Parameter> parameters;
    std::vector<std::string> programs;

private:
    static std::int32_t Callback(MachineMessage* message) noexcept;
};

// Hosts one machine through messages only, the way a Node does: the DSP
// tables built for 44100 Hz, the sample rate, a tempo and Init; then chunks
// of at most 256 frames with the queued events, ordered by offset, in the
// first chunk. The machine harnesses of the tests are built on it.
class MachineHost {
public:
    static constexpr double kRate = 44100.0;

    struct Stereo {
        std::vector<double> left;
        std::vector<double> right;
    };
    // One input channel: its samples (silence past their end) and whether it
    // is announced as connected.
    struct Input {
        std::span<const double> samples;
        bool connected = false;
    };

    // Start-up builds the DSP tables before any machine exists; a test
    // binary does it on first use.
    static void BuildDspTables();

    // With a link, the machine is attached to it and describes itself first.
    explicit MachineHost(Machine& machine, int bpm = 120, HostLink* link = nullptr);

    std::int32_t Send(std::int32_t type, std::int32_t value = 0, void* pointer = nullptr,
                      void* extra = nullptr);
    // A new tempo, as the work cycle sends when the song's BPM changes.
    void SetTempo(int bpm);
    // FormatValue through the message: the answer, and the buffer's text.
    std::int32_t Format(std::int32_t index, double value, std::string& text);

    // Queues an event for the first chunk of the next Run.
    EventRecord& Queue(std::int32_t index, double value, int offset = 0);
    EventRecord& QueueNote(std::int32_t noteIndex, double note, double lengthBeats, double velocity,
                           int offset);

    // Renders frames (one empty chunk for 0). Both outputs start every chunk
    // filled with kUnwritten, so a channel the machine leaves alone shows.
    Stereo Run(int frames, Input left, Input right);
    // With both inputs unconnected, as a generator is played.
    Stereo Run(int frames);
    // The same for any machine that is set up already, such as one a Node
    // hosts: the pending events go with the first chunk, and are used up.
    static Stereo Run(Machine& machine, std::vector<EventRecord>& pending, int frames, Input left,
                      Input right);

    static constexpr double kUnwritten = -3.0;

private:
    Machine& machine_;
    std::vector<EventRecord> pending_;
};

} // namespace tarn::test
