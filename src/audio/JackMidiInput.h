#pragma once

#include "audio/MidiInput.h"
#include "audio/MidiParser.h"

#include <jack/jack.h>

#include <atomic>

namespace tarn {

// MIDI from a JACK server: a client of its own with one input port,
// "midi_in", connected at open to every hardware MIDI source the server
// offers (others may connect to it later). The process callback parses the
// period's events and stamps each note with its frame: the period's first
// frame plus the event's offset in it. Nothing is opened without a running
// server, and nothing is said then: JACK is optional.
class JackMidiInput final : public MidiInput {
public:
    static constexpr const char* kClientName = "tarn-midi";
    static constexpr const char* kPortName = "midi_in";

    JackMidiInput() = default;
    ~JackMidiInput() override;

    bool Open(MidiEventRing& ring) override;
    void Close() override;
    // The ports connected to midi_in.
    std::vector<std::string> Sources() const override;

    bool Timed() const noexcept override { return true; }
    std::uint32_t Now() const noexcept override;
    int Period() const noexcept override { return period_.load(std::memory_order_relaxed); }

    // The input port's full name, e.g. "tarn-midi:midi_in"; empty when closed.
    std::string PortName() const;

private:
    static int Process(jack_nframes_t frames, void* self);
    static int PeriodChanged(jack_nframes_t frames, void* self);
    void Receive(jack_nframes_t frames) noexcept;
    void ConnectHardwareSources();

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    MidiEventRing* ring_ = nullptr;
    MidiParser parser_; // callback only
    std::atomic<int> period_ = 0;
};

} // namespace tarn
