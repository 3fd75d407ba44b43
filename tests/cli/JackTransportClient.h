#pragma once

#include <jack/jack.h>
#include <jack/transport.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tarn::test {

// A JACK client that drives the transport as any other program would
// (jack_transport's start, stop and locate) and records, frame by frame,
// what reaches its two inputs and where the transport stood: its frame and
// whether it rolled. Storage is made up front; the process callback only
// copies.
class JackTransportClient {
public:
    explicit JackTransportClient(std::size_t capacityFrames);
    ~JackTransportClient();
    JackTransportClient(const JackTransportClient&) = delete;
    JackTransportClient& operator=(const JackTransportClient&) = delete;

    bool IsOpen() const { return client_ != nullptr; }
    // Connects the outputs out_1 and out_2 of client to the inputs, waiting
    // (ten seconds at most) for the client to be active.
    bool Listen(const std::string& client);

    void Start() { jack_transport_start(client_); }
    void Stop() { jack_transport_stop(client_); }
    void Locate(jack_nframes_t frame) { jack_transport_locate(client_, frame); }
    jack_transport_state_t Query(jack_position_t& position) const {
        return jack_transport_query(client_, &position);
    }
    // Waits (ten seconds at most) for the transport to reach state.
    bool WaitForState(jack_transport_state_t state) const;
    // Waits until the server has run frames more frames by its own clock.
    bool WaitFrames(std::size_t frames) const;
    // Stops recording; what was recorded stays readable.
    void Close();

    std::size_t Frames() const { return frames_.load(std::memory_order_acquire); }
    // The louder of the two inputs at a recorded frame.
    float Level(std::size_t frame) const { return level_[frame]; }
    // The transport at a recorded frame: its frame, and whether it rolled.
    std::uint32_t TransportFrame(std::size_t frame) const { return transportFrame_[frame]; }
    bool Rolling(std::size_t frame) const { return rolling_[frame] != 0; }

private:
    static int Process(jack_nframes_t frames, void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* inputs_[2] = {};
    std::vector<float> level_;
    std::vector<std::uint32_t> transportFrame_;
    std::vector<std::uint8_t> rolling_;
    std::atomic<std::size_t> frames_ = 0;
};

} // namespace tarn::test
