#include "audio/JackTransport.h"

#include "audio/JackDevice.h"
#include "engine/Project.h"

#include <algorithm>
#include <cmath>

namespace tarn {

void JackTransport::Open(jack_client_t* client, TransportMode mode) {
    mode_ = mode;
    if (mode == TransportMode::kOff) {
        return;
    }
    client_ = client;
    rate_ = jack_get_sample_rate(client);
    pending_ = false;
    holding_ = false;
    lastState_ = JackTransportStopped;
    synced_ = false;
    songPlaying_ = false;
    marked_.store(0, std::memory_order_relaxed);
    anchorFrame_.store(0.0, std::memory_order_relaxed);
    anchorBeat_.store(0.0, std::memory_order_relaxed);
    anchorBpm_.store(0.0, std::memory_order_relaxed);
    jack_set_sync_callback(client, &JackTransport::Sync, this);
    if (mode == TransportMode::kLead) {
        jack_set_timebase_callback(client, 0, &JackTransport::Timebase, this);
    }
}

// The song that played with the transport stops here, so the transport
// stops too, as at the song's own stop; the timebase goes with the client.
void JackTransport::Close() {
    if (client_ == nullptr) {
        return;
    }
    if (songPlaying_) {
        jack_transport_stop(client_);
    }
    if (mode_ == TransportMode::kLead) {
        jack_release_timebase(client_);
    }
    client_ = nullptr;
}

double JackTransport::BeatsPerFrame() const noexcept {
    const double anchored = anchorBpm_.load(std::memory_order_relaxed);
    return (anchored > 0.0 ? anchored : bpm_.load(std::memory_order_relaxed)) / 60.0 / rate_;
}

double JackTransport::BeatOf(const jack_position_t& position) const noexcept {
    const bool bbt = (position.valid & JackPositionBBT) != 0 && position.beats_per_bar > 0.0f &&
                     position.ticks_per_beat > 0.0;
    if (mode_ == TransportMode::kFollow && bbt && position.bar > 0 && position.beat > 0) {
        return (position.bar - 1) * static_cast<double>(position.beats_per_bar) +
               (position.beat - 1) + position.tick / position.ticks_per_beat;
    }
    return anchorBeat_.load(std::memory_order_relaxed) +
           (position.frame - anchorFrame_.load(std::memory_order_relaxed)) * BeatsPerFrame();
}

jack_nframes_t JackTransport::FrameOf(double beat) const noexcept {
    const double frame =
        anchorFrame_.load(std::memory_order_relaxed) +
        (std::max(beat, 0.0) - anchorBeat_.load(std::memory_order_relaxed)) / BeatsPerFrame();
    return static_cast<jack_nframes_t>(std::lround(std::max(frame, 0.0)));
}

void JackTransport::Cycle() noexcept {
    jack_position_t position{};
    const jack_transport_state_t state = jack_transport_query(client_, &position);
    cycleFrame_ = position.frame;
    cycleRingFrame_ = device_.ReadPosition();
    holding_ = state == JackTransportStarting;
    if (state == JackTransportRolling) {
        FollowTempo();
    } else if (anchorBpm_.load(std::memory_order_relaxed) > 0.0) {
        // A tempo set while the transport stands still holds from the
        // anchor on.
        anchorBpm_.store(bpm_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    }
    if (state != JackTransportStarting) {
        // The start or move is over; the next one asks anew, even from here.
        pending_ = false;
    }
    if (lastState_ != JackTransportStopped && state == JackTransportStopped) {
        stops_.fetch_add(1, std::memory_order_release);
    }
    lastState_ = state;
}

// Asked before the transport rolls from a new position, and when it moves
// while stopped. Ready once the song has moved there and the ring holds as
// much as the device plays with.
int JackTransport::Sync(jack_transport_state_t state, jack_position_t* position, void* self) {
    auto& transport = *static_cast<JackTransport*>(self);
    if (state == JackTransportRolling) {
        // JACK gave up waiting and rolls; the song is where it was sent.
        return 1;
    }
    if (!transport.pending_ || position->frame != transport.pendingFrame_) {
        transport.pending_ = true;
        transport.pendingFrame_ = position->frame;
        transport.requestBeat_.store(transport.BeatOf(*position), std::memory_order_relaxed);
        transport.requestRolls_.store(state != JackTransportStopped, std::memory_order_relaxed);
        transport.requests_.fetch_add(1, std::memory_order_release);
        // Room for the fill thread to render into, so that it takes the
        // request; what it renders from the new position replaces this.
        transport.device_.SkipQueued();
    }
    if (state == JackTransportStopped) {
        return 1;
    }
    const bool taken = transport.ready_.load(std::memory_order_acquire) ==
                       transport.requests_.load(std::memory_order_relaxed);
    return taken && transport.device_.QueuedForStart() ? 1 : 0;
}

// Publishes the song as it will be heard at the position's frame: rolling
// on, from the marks of the blocks the ring plays; after a move, at the
// beat the song is asked to go to.
void JackTransport::Timebase(jack_transport_state_t state, jack_nframes_t /*frames*/,
                             jack_position_t* position, int moved, void* self) {
    const auto& transport = *static_cast<const JackTransport*>(self);
    const auto ahead = static_cast<std::int64_t>(position->frame) -
                       static_cast<std::int64_t>(transport.cycleFrame_);
    double beat = 0.0;
    double bpm = 0.0;
    const bool heard =
        state == JackTransportRolling && moved == 0 && !transport.holding_ && ahead >= 0 &&
        transport.SongAt(transport.cycleRingFrame_ + static_cast<std::uint64_t>(ahead), beat, bpm);
    if (!heard) {
        beat = transport.BeatOf(*position);
        bpm = transport.bpm_.load(std::memory_order_relaxed);
    }
    PublishBbt(beat, bpm, *position);
}

void JackTransport::PublishBbt(double beat, double bpm, jack_position_t& position) noexcept {
    const double bars = std::floor(beat / kBeatsPerBar);
    const double wholeBeats = std::floor(beat);
    position.valid = JackPositionBBT;
    position.bar = static_cast<std::int32_t>(bars) + 1;
    position.beat = static_cast<std::int32_t>(wholeBeats - bars * kBeatsPerBar) + 1;
    position.tick = std::min(static_cast<std::int32_t>((beat - wholeBeats) * kTicksPerBeat),
                             static_cast<std::int32_t>(kTicksPerBeat) - 1);
    position.bar_start_tick = bars * kBeatsPerBar * kTicksPerBeat;
    position.beats_per_bar = kBeatsPerBar;
    position.beat_type = 4.0f;
    position.ticks_per_beat = kTicksPerBeat;
    position.beats_per_minute = bpm;
}

const JackTransport::BlockMark* JackTransport::MarkAt(std::uint64_t ringFrame) const noexcept {
    const std::uint32_t marked = marked_.load(std::memory_order_acquire);
    const std::uint32_t oldest = marked > kMarks ? marked - kMarks : 0;
    for (std::uint32_t count = marked; count > oldest; --count) {
        const BlockMark& mark = marks_[(count - 1) % kMarks];
        if (mark.ringFrame.load(std::memory_order_relaxed) <= ringFrame) {
            return &mark;
        }
    }
    return nullptr;
}

bool JackTransport::SongAt(std::uint64_t ringFrame, double& beat, double& bpm) const noexcept {
    const BlockMark* mark = MarkAt(ringFrame);
    if (mark == nullptr) {
        return false;
    }
    beat = mark->beat.load(std::memory_order_relaxed) +
           static_cast<double>(ringFrame - mark->ringFrame.load(std::memory_order_relaxed)) *
               mark->beatsPerFrame.load(std::memory_order_relaxed);
    // The block may run over the range's end: the song wraps (or stops)
    // there, as the engine does.
    const double end = mark->end.load(std::memory_order_relaxed);
    const double wrapTo = mark->wrapTo.load(std::memory_order_relaxed);
    if (beat >= end) {
        beat = wrapTo >= 0.0 && end > wrapTo ? wrapTo + std::fmod(beat - end, end - wrapTo) : end;
    }
    bpm = mark->bpm.load(std::memory_order_relaxed);
    return true;
}

void JackTransport::FollowTempo() noexcept {
    const BlockMark* mark = MarkAt(cycleRingFrame_);
    if (mark == nullptr || mark->beatsPerFrame.load(std::memory_order_relaxed) == 0.0) {
        return; // the song stands still
    }
    const double bpm = mark->bpm.load(std::memory_order_relaxed);
    const double anchored = anchorBpm_.load(std::memory_order_relaxed);
    if (anchored == 0.0) {
        anchorBpm_.store(bpm, std::memory_order_relaxed);
        return;
    }
    if (bpm == anchored) {
        return;
    }
    // The block with the new tempo began this far back in the ring, and as
    // far back in the transport's frames.
    const auto back =
        static_cast<double>(cycleRingFrame_ - mark->ringFrame.load(std::memory_order_relaxed));
    anchorFrame_.store(cycleFrame_ - back, std::memory_order_relaxed);
    anchorBeat_.store(mark->beat.load(std::memory_order_relaxed), std::memory_order_relaxed);
    anchorBpm_.store(bpm, std::memory_order_relaxed);
}

void JackTransport::MarkBlock(const Project& project) noexcept {
    const SongTransport& song = project.Transport();
    const std::uint32_t marked = marked_.load(std::memory_order_relaxed);
    BlockMark& mark = marks_[marked % kMarks];
    const double bpm = project.Tempo().bpm;
    mark.ringFrame.store(device_.written_.load(std::memory_order_relaxed),
                         std::memory_order_relaxed);
    mark.beat.store(song.position, std::memory_order_relaxed);
    mark.beatsPerFrame.store(song.Playing() ? bpm / 60.0 / rate_ : 0.0, std::memory_order_relaxed);
    mark.bpm.store(bpm, std::memory_order_relaxed);
    mark.end.store(song.LoopActive() ? song.loopEnd : song.songEnd, std::memory_order_relaxed);
    mark.wrapTo.store(song.Repeat() ? (song.LoopActive() ? song.loopStart : song.songStart) : -1.0,
                      std::memory_order_relaxed);
    marked_.store(marked + 1, std::memory_order_release);
}

void JackTransport::SyncTransport(Project& project) noexcept {
    bpm_.store(project.Tempo().bpm, std::memory_order_relaxed);
    SongTransport& song = project.Transport();
    if (!synced_) {
        // What happened before the engine listened is past; a song already
        // playing starts the transport below.
        requestsTaken_ = requests_.load(std::memory_order_acquire);
        stopsTaken_ = stops_.load(std::memory_order_acquire);
        ready_.store(requestsTaken_, std::memory_order_release);
        songPlaying_ = false;
        stopAsked_ = false;
        synced_ = true;
    }
    // The transport moved (and perhaps starts rolling): the song follows,
    // and what the device queued from the old position goes.
    const std::uint32_t requests = requests_.load(std::memory_order_acquire);
    if (requests != requestsTaken_) {
        requestsTaken_ = requests;
        stopAsked_ = false;
        const double beat = requestBeat_.load(std::memory_order_relaxed);
        project.Relocate(beat);
        // A song already playing (the song or the loop) plays on from there.
        if (requestRolls_.load(std::memory_order_relaxed) && !song.Playing()) {
            song.PlaySongFrom(beat);
        }
        songPlaying_ = song.Playing();
        device_.DropQueued();
        ready_.store(requests, std::memory_order_release);
    }
    // The transport stopped: so does the song, at once, unless it was the
    // song's own stop.
    const std::uint32_t stops = stops_.load(std::memory_order_acquire);
    if (stops != stopsTaken_) {
        stopsTaken_ = stops;
        if (stopAsked_) {
            stopAsked_ = false;
        } else {
            if (song.Playing()) {
                project.Stop();
            }
            device_.DropQueued();
        }
        songPlaying_ = song.Playing();
    }
    // The studio's own play or stop, or the song's end: the transport
    // follows, from the song's position.
    if (song.Playing() != songPlaying_) {
        songPlaying_ = song.Playing();
        if (songPlaying_) {
            jack_transport_locate(client_, FrameOf(song.position));
            jack_transport_start(client_);
        } else {
            stopAsked_ = true;
            jack_transport_stop(client_);
        }
    }
    MarkBlock(project);
}

} // namespace tarn
