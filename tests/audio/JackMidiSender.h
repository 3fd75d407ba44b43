#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace tarn::test {

// A JACK client with one MIDI output port, "out", playing the part of a
// keyboard: each Send puts one message into the port in the next period,
// at a chosen frame of it, and reports the server's frame time it went out
// at.
class JackMidiSender {
public:
    JackMidiSender();
    ~JackMidiSender();
    JackMidiSender(const JackMidiSender&) = delete;
    JackMidiSender& operator=(const JackMidiSender&) = delete;

    bool IsOpen() const { return client_ != nullptr; }
    // Connects out to port and waits (ten seconds at most) until the
    // server's cycles use the connection.
    bool ConnectTo(const std::string& port);
    // Sends status, data1, data2 at offset frames into the next period and
    // answers the frame time it was sent at; 0 when the server did not run
    // a period within ten seconds.
    std::uint32_t Send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, int offset);

private:
    static int Process(jack_nframes_t frames, void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* out_ = nullptr;
    std::array<std::uint8_t, 3> message_{};
    std::atomic<int> offset_ = 0;
    std::atomic<bool> pending_ = false;
    std::atomic<std::uint32_t> sentAt_ = 0;
};

} // namespace tarn::test
