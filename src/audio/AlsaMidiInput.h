#pragma once

#include "audio/MidiInput.h"

#include <alsa/asoundlib.h>

#include <mutex>
#include <thread>

namespace tarn {

// MIDI from the ALSA sequencer: one client, "Tarn Studio", with one input
// port, subscribed at open to every readable port of the system (each one
// an input device; one that refuses is skipped) and to the system's
// announcements, so that a keyboard plugged in later is subscribed as its
// port appears. A reader thread of its own turns note events into messages,
// untimed: each plays in the first chunk after it arrived.
//
// A machine without the sequencer (no /dev/snd/seq) opens nothing and says
// so in one line.
class AlsaMidiInput final : public MidiInput {
public:
    static constexpr const char* kClientName = "Tarn Studio";

    AlsaMidiInput() = default;
    ~AlsaMidiInput() override;

    bool Open(MidiEventRing& ring) override;
    void Close() override;
    // "client:port" names of the subscribed ports, with their ids.
    std::vector<std::string> Sources() const override;

    // The client and port id of the input port; -1 when closed.
    int ClientId() const { return client_; }
    int PortId() const { return port_; }

private:
    void ReadLoop() noexcept;
    void Handle(const snd_seq_event_t& event) noexcept;
    void SubscribeAll();
    void Subscribe(int client, int port);

    snd_seq_t* seq_ = nullptr;
    int client_ = -1;
    int port_ = -1;
    int wake_[2] = {-1, -1}; // a pipe that ends the reader's wait
    MidiEventRing* ring_ = nullptr;
    std::thread reader_;
    mutable std::mutex sourcesLock_; // the reader adds sources as ports appear
    std::vector<std::string> sources_;
};

} // namespace tarn
