#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tarn::test {

// A second JACK client that records what reaches its two input ports, as a
// listener would hear it. Storage for `capacityFrames` is made up front; the
// process callback only copies.
class JackCaptureClient {
public:
    explicit JackCaptureClient(std::size_t capacityFrames);
    ~JackCaptureClient();
    JackCaptureClient(const JackCaptureClient&) = delete;
    JackCaptureClient& operator=(const JackCaptureClient&) = delete;

    bool IsOpen() const { return client_ != nullptr; }
    // Connects a port of another client to input `channel` and waits (ten
    // seconds at most) until the server's cycles use the connection, so
    // that whatever the source plays afterwards is recorded.
    bool Listen(const std::string& source, int channel);
    // Full names of the ports `port` is connected to, in name order.
    std::vector<std::string> ConnectionsOf(const std::string& port) const;
    bool PortExists(const std::string& port) const;
    // Stops recording; what was recorded stays readable.
    void Close();

    std::size_t Frames() const { return frames_.load(std::memory_order_acquire); }
    // The server's frame time of the first recorded frame; valid once
    // Frames() is above 0.
    std::uint32_t FirstFrameTime() const { return firstFrameTime_.load(std::memory_order_acquire); }
    const std::vector<float>& Channel(int channel) const { return recorded_[channel]; }
    // Cycles the server reported as late or skipped since the client opened.
    int Xruns() const { return xruns_.load(std::memory_order_relaxed); }

private:
    static int Process(jack_nframes_t frames, void* self);
    static int Xrun(void* self);

    jack_client_t* client_ = nullptr;
    std::array<jack_port_t*, 2> inputs_{};
    std::array<std::vector<float>, 2> recorded_;
    std::atomic<std::size_t> frames_ = 0;
    std::atomic<std::uint32_t> firstFrameTime_ = 0;
    std::atomic<int> xruns_ = 0;
};

} // namespace tarn::test
