#pragma once

#include "audio/PcmDevice.h"

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tarn {

// Playback as a JACK client with one output port per channel, connected to
// the system's playback ports. JACK pulls: the fill thread writes blocks
// into a lock-free ring of bufferCount blocks and the process callback takes
// frames from it. The callback waits for a full ring before it plays (also
// after running dry), and outputs silence meanwhile; running dry while the
// fill thread is alive counts as one underrun. The ring has one writer (the
// fill thread) and one reader (the callback); neither allocates or locks.
class JackDevice final : public PcmDevice {
public:
    static constexpr const char* kClientName = "tarn";

    JackDevice() = default;
    ~JackDevice() override;

    // Whether a JACK server answers (the one JACK_DEFAULT_SERVER names, if
    // set). Never starts a server.
    static bool ServerRunning();

    // One device when a server answers, none otherwise.
    int DeviceCount() override;
    std::string Absence() const override { return "JACK: no server is running"; }
    // Refuses a server whose sample rate differs from ours: the engine does
    // not resample.
    bool Open(const PcmFormat& format, std::string& refusal) override;
    void Close() override;
    void Reset() override;
    bool IsDone(int index) override;
    bool Write(int index, const std::int16_t* samples) override;
    void StreamStarting() override;
    void StreamStopped() override;

    // Full JACK name of the output port of `channel`, e.g. "tarn:out_1".
    std::string PortName(int channel) const;
    // Frames the callback has taken from the ring and played; any thread.
    std::uint64_t FramesPlayed() const { return played_.load(std::memory_order_relaxed); }
    // Periods the ring ran dry while the fill thread was running; any thread.
    std::uint64_t Underruns() const { return underruns_.load(std::memory_order_relaxed); }

private:
    static int Process(jack_nframes_t frames, void* self);
    static void ServerShutdown(void* self);
    void Play(jack_nframes_t frames) noexcept;
    bool RegisterPorts(int channels);
    void ConnectToPlayback();
    std::uint64_t ReadPosition() const;

    jack_client_t* client_ = nullptr;
    std::vector<jack_port_t*> ports_;
    std::vector<std::int16_t> ring_; // interleaved, ringFrames_ frames
    std::uint64_t ringFrames_ = 0;
    std::uint64_t blockFrames_ = 0;
    int channels_ = 0;
    // Positions in frames since open. written_ belongs to the fill thread,
    // read_ to the callback; Reset moves dropTo_ so that the callback skips
    // what was queued without the two threads writing the same word.
    std::atomic<std::uint64_t> written_ = 0;
    std::atomic<std::uint64_t> read_ = 0;
    std::atomic<std::uint64_t> dropTo_ = 0;
    std::atomic<std::uint64_t> played_ = 0;
    std::atomic<std::uint64_t> underruns_ = 0;
    std::atomic<bool> streaming_ = false;
    std::atomic<bool> serverGone_ = false;
    bool playing_ = false; // callback only
};

} // namespace tarn
