#pragma once

#include "audio/JackTransport.h"
#include "audio/PcmDevice.h"
#include "audio/RateConverter.h"

#include <jack/jack.h>
#include <semaphore.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarn {

// Playback as a JACK client with one output port per channel, connected to
// the system's playback ports. JACK pulls: the fill thread writes blocks
// into a lock-free ring of bufferCount blocks and the process callback takes
// frames from it. A server at another rate than the stream's gets the
// blocks converted to its rate on their way into the ring. The callback waits for a full ring
// before it plays (also after running dry), and outputs silence meanwhile; running dry while the
// fill thread is alive counts as one underrun. The ring has one writer (the
// fill thread) and one reader (the callback); neither allocates or locks.
//
// Low latency: the blocks shrink to one server period (in the stream's
// frames) and the fill thread keeps about two periods queued, woken by the
// callback after every period it played (a semaphore post, which never
// blocks), so a block is heard at most three periods after it is rendered.
//
// Opened with a transport mode, it keeps the song in time with the JACK
// transport (see JackTransport): while the transport waits to start, the
// callback plays silence and keeps the ring for the new position.
class JackDevice final : public PcmDevice {
public:
    static constexpr const char* kClientName = "tarn";

    JackDevice();
    ~JackDevice() override;

    // Whether a JACK server answers (the one JACK_DEFAULT_SERVER names, if
    // set). Never starts a server.
    static bool ServerRunning();

    // One device when a server answers, none otherwise.
    int DeviceCount() override;
    std::string Absence() const override { return "JACK: no server is running"; }
    // Converts to the server's rate when it differs from the stream's and
    // says so once on the message stream.
    bool Open(PcmFormat& format, std::string& refusal) override;
    void Close() override;
    void Reset() override;
    bool IsDone(int index) override;
    bool Write(int index, const std::int16_t* samples) override;
    // With low latency, until the callback has played a period (or a few
    // periods' time has passed, so that a stop gets through without a
    // server); otherwise about 1 ms.
    void Wait() override;
    // The ring as the fill thread keeps it, plus the server's playback
    // latency behind the ports.
    double OutputLatency(const PcmFormat& format) const override;
    void StreamStarting() override;
    void StreamStopped() override;
    TransportLink* Transport() override { return transport_.Active() ? &transport_ : nullptr; }

    // Full JACK name of the output port of `channel`, e.g. "tarn:out_1".
    std::string PortName(int channel) const;
    // Frames the callback has taken from the ring and played, at the
    // server's rate; any thread.
    std::uint64_t FramesPlayed() const { return played_.load(std::memory_order_relaxed); }
    // Periods the ring ran dry while the fill thread was running; any thread.
    std::uint64_t Underruns() const override { return underruns_.load(std::memory_order_relaxed); }

private:
    friend class JackTransport;
    // Fill thread: drops what is queued, as Reset does, while streaming; the
    // callback then waits for a full ring again and counts no underrun.
    void DropQueued() noexcept { Reset(); }
    // Process thread: skips what is queued, so that the fill thread finds
    // room at once.
    void SkipQueued() noexcept {
        read_.store(written_.load(std::memory_order_acquire), std::memory_order_release);
        skipped_ = true;
    }
    // Process thread: the ring holds as much as playing starts with.
    bool QueuedForStart() const noexcept {
        return Filled(written_.load(std::memory_order_acquire) - ReadPosition());
    }

    static int Process(jack_nframes_t frames, void* self);
    static void ServerShutdown(void* self);
    void Play(jack_nframes_t frames) noexcept;
    void PlaySilence(jack_nframes_t frames) noexcept;
    bool RegisterPorts(int channels);
    void ConnectToPlayback();
    std::uint64_t ReadPosition() const;
    std::uint64_t Room() const;
    bool Filled(std::uint64_t queued) const;
    void Queue(const float* frames, std::size_t count) noexcept;

    // Ring frames the fill thread leaves free for the converter's last
    // frames, far more than its filter holds back.
    static constexpr std::uint64_t kFlushReserve = 4096;
    // Periods the low-latency ring holds.
    static constexpr std::uint64_t kLowLatencyPeriods = 2;

    jack_client_t* client_ = nullptr;
    std::vector<jack_port_t*> ports_;
    std::vector<float> ring_; // interleaved, ringFrames_ frames at the server's rate
    std::uint64_t ringFrames_ = 0;
    std::size_t blockFrames_ = 0;              // one block as the fill thread writes it
    std::size_t blockOutFrames_ = 0;           // the most one block becomes in the ring
    std::unique_ptr<RateConverter> converter_; // null when the rates agree
    std::vector<float> converted_;             // one block on its way into the ring
    int channels_ = 0;
    bool lowLatency_ = false;
    // With low latency: the fill thread writes while less than this is
    // queued, and a stopped callback plays once this much is; a period and
    // a half, so blocks that convert to a frame more or less change nothing.
    std::uint64_t lowWater_ = 0;
    std::uint64_t periodFrames_ = 0; // the server's
    long wakeTimeoutNs_ = 0;
    sem_t periodPlayed_{};
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
    bool playing_ = false;       // callback only
    std::uint64_t lastDrop_ = 0; // callback only: dropTo_ as it last saw it
    bool skipped_ = false;       // callback only: SkipQueued since the last cycle
    JackTransport transport_{*this};
};

} // namespace tarn
