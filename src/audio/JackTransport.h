#pragma once

#include "audio/PcmDevice.h"
#include "engine/TransportLink.h"

#include <jack/jack.h>
#include <jack/transport.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace tarn {

class JackDevice;

// The song kept in time with the JACK transport through the device's
// client. The client is a slow-sync client: when the transport starts or
// moves, JACK asks it (the sync callback) before it rolls; the song jumps to
// the new position on the fill thread, the device drops what it had queued
// and holds the new audio until the ring is full again, and only then does
// the client answer ready. So what is heard at a transport frame is the song
// at that frame, whatever the output latency.
//
// Positions: a transport frame is a song beat at the song's tempo (frame 0
// is beat 0), counted from where the tempo last changed while the
// transport rolled; a timebase master's bar, beat and tick, when it gives
// them, take precedence. With kLead the client is the timebase master and
// publishes bar, beat and tick (4/4, 1920 ticks a beat) and the tempo of
// the song as it is heard at the transport's frame, so that loops, repeats
// and tempo changes reach the followers. Both come from marks: the fill
// thread marks every block it renders with the song's position, tempo and
// range, and the process thread reads the mark of the block it plays.
//
// Threads: Open and Close on the owner's thread while the client is not
// active or is being closed; Cycle, Holding, the sync and timebase
// callbacks on the JACK process thread; SyncTransport on the fill thread
// (the work cycle). They meet in atomics only; nothing allocates or locks.
class JackTransport final : public TransportLink {
public:
    static constexpr int kBeatsPerBar = 4;
    static constexpr double kTicksPerBeat = 1920.0;

    explicit JackTransport(JackDevice& device) : device_(device) {}
    JackTransport(const JackTransport&) = delete;
    JackTransport& operator=(const JackTransport&) = delete;

    // Registers the callbacks of mode on client, before it is activated;
    // kOff registers none.
    void Open(jack_client_t* client, TransportMode mode);
    // Before the client closes, with the fill thread stopped: a transport
    // rolling with the song stops with it, and a timebase master resigns.
    void Close();
    bool Active() const { return client_ != nullptr; }

    // The process thread, at the start of every cycle: reads the
    // transport's state.
    void Cycle() noexcept;
    // Process thread: the transport waits to start, and the device must
    // play nothing and keep what it queues for the new position.
    bool Holding() const noexcept { return holding_; }

    // Fill thread, project lock held.
    void SyncTransport(Project& project) noexcept override;

private:
    static int Sync(jack_transport_state_t state, jack_position_t* position, void* self);
    static void Timebase(jack_transport_state_t state, jack_nframes_t frames,
                         jack_position_t* position, int moved, void* self);
    // Fill thread: marks the block about to be rendered.
    void MarkBlock(const Project& project) noexcept;
    // Process thread: the song and its tempo at a ring frame, from the
    // newest mark at or before it; false without one.
    bool SongAt(std::uint64_t ringFrame, double& beat, double& bpm) const noexcept;
    struct BlockMark;
    const BlockMark* MarkAt(std::uint64_t ringFrame) const noexcept;
    // Process thread, at the start of a rolling cycle: when the song heard
    // now plays at another tempo than the mapping's, the mapping goes on
    // from where that tempo began.
    void FollowTempo() noexcept;
    static void PublishBbt(double beat, double bpm, jack_position_t& position) noexcept;
    double BeatOf(const jack_position_t& position) const noexcept;
    jack_nframes_t FrameOf(double beat) const noexcept;
    double BeatsPerFrame() const noexcept;

    JackDevice& device_;
    jack_client_t* client_ = nullptr;
    TransportMode mode_ = TransportMode::kOff;
    double rate_ = 44100.0; // the server's

    // Process thread to fill thread: each new position the transport asked
    // for (a count, then its beat and whether it rolls from there), and each
    // time it stopped rolling.
    std::atomic<std::uint32_t> requests_ = 0;
    std::atomic<double> requestBeat_ = 0.0;
    std::atomic<bool> requestRolls_ = false;
    std::atomic<std::uint32_t> stops_ = 0;
    // Fill thread to process thread: the request the ring now starts at, and
    // the song's tempo.
    std::atomic<std::uint32_t> ready_ = 0;
    std::atomic<double> bpm_ = 120.0;

    // Fill thread to process thread: the song as the block starting at a
    // ring frame begins. A ring holds far fewer blocks than there are
    // marks, so the marks the process thread reads are never rewritten
    // meanwhile.
    struct BlockMark {
        std::atomic<std::uint64_t> ringFrame = 0;
        std::atomic<double> beat = 0.0;
        std::atomic<double> beatsPerFrame = 0.0; // 0 while the song stands still
        std::atomic<double> bpm = 120.0;
        std::atomic<double> end = 0.0;     // of the active range
        std::atomic<double> wrapTo = -1.0; // its start when repeating, or below 0
    };
    static constexpr std::uint32_t kMarks = 64;
    std::array<BlockMark, kMarks> marks_{};
    std::atomic<std::uint32_t> marked_ = 0;

    // Process thread to fill thread: the mapping of transport frames to
    // beats goes on from anchorFrame_ (anchorBeat_) at anchorBpm_. Until the
    // song first rolls with the transport (anchorBpm_ 0), from frame 0 at the
    // song's current tempo.
    std::atomic<double> anchorFrame_ = 0.0;
    std::atomic<double> anchorBeat_ = 0.0;
    std::atomic<double> anchorBpm_ = 0.0;

    // Process thread only.
    jack_nframes_t cycleFrame_ = 0;    // the transport's at this cycle's start
    std::uint64_t cycleRingFrame_ = 0; // the ring's this cycle plays from
    bool pending_ = false;             // a request is out for pendingFrame_
    jack_nframes_t pendingFrame_ = 0;
    jack_transport_state_t lastState_ = JackTransportStopped;
    bool holding_ = false;

    // Fill thread only.
    bool synced_ = false; // the counters below were taken once
    std::uint32_t requestsTaken_ = 0;
    std::uint32_t stopsTaken_ = 0;
    bool songPlaying_ = false; // as the transport was last told or followed
    bool stopAsked_ = false;   // the next stop is the song's own
};

} // namespace tarn
