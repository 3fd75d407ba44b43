#pragma once

#include "engine/CpuStatistics.h"
#include "engine/EventCollector.h"
#include "engine/PerfTimer.h"
#include "engine/TempoRecord.h"
#include "engine/WorkEventArray.h"
#include "tarn/AudioAbi.h"
#include "tarn/MachineAbi.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace tarn {

class ChunkStreamer;
class CurrentProject;
class LiveInput;
class Node;
class PreviewSlot;
class Project;
class TransportLink;

// The engine: renders the current project buffer by buffer for the audio
// driver. Each buffer is cut into chunks of at most kMaxChunkFrames frames;
// per chunk every Node of the process order is rendered under its own lock
// (events, input mixing, machine work, bypass, mute, solo, output stage,
// analyzer rings, peak level), then the tempo is checked, the streamer fed,
// the sound preview mixed into the Master, the Master's outputs copied out
// and the song moved on. It also measures where the time goes.
//
// Threads: the render callback runs on the audio driver's thread and holds
// the project lock for a whole buffer; in a steady state (at most
// EventPool::kKept events per Node and chunk) it allocates nothing. Start,
// the attach calls and the tempo's sample rate belong to start-up. The
// statistics are read under the project lock.
class CoreEngine {
public:
    enum Timer : int {
        kCycleTimer,
        kMixingTimer,
        kSpareTimer, // never read
        kOutputTimer,
        kEventsTimer,
        kMachineTimer,
        kTimerCount,
    };

    // current must outlive the engine.
    explicit CoreEngine(CurrentProject& current);
    CoreEngine(const CoreEngine&) = delete;
    CoreEngine& operator=(const CoreEngine&) = delete;

    // Reads the clock's frequency into every timer; 1.
    int Start();

    // The host callback an audio device renders through (hostContext = the
    // engine): kDeviceRender runs the work cycle on the message's
    // AudioBuffer and answers its result; kDeviceSampleRate takes the
    // message's value as the engine's sample rate and answers 1; anything
    // else answers 0.
    static std::int32_t RenderCallback(MachineMessage* message) noexcept;
    // The link to hand an audio device with its attach message.
    HostLink RenderLink() { return HostLink{this, &CoreEngine::RenderCallback, nullptr}; }

    // Renders buffer.frameCount frames of the current project into
    // buffer.outputs[0] and [1]; 1. Without a current project the buffer is
    // left as it was; 0.
    int WorkCycle(const AudioBuffer& buffer) noexcept;

    // The timing new projects take: the driver's sample rate and the
    // default tempo.
    TempoRecord& Tempo() { return tempo_; }
    const TempoRecord& Tempo() const { return tempo_; }
    const CpuStatistics& Statistics() const { return statistics_; }
    const PerfTimer& TimerOf(Timer timer) const { return timers_[timer]; }

    // The audio streamer, told about every chunk with lock held. Null
    // detaches. Both must outlive the engine or be detached first.
    void AttachStreamer(ChunkStreamer* streamer, std::recursive_mutex* lock);
    // The sound preview mixed into the Master. Null detaches.
    void AttachPreview(PreviewSlot* preview) { preview_ = preview; }
    // The source of live notes asked before every chunk. Null detaches.
    // Takes the project lock, so that once it returns the work cycle no
    // longer calls a detached source; input must outlive its attachment.
    void AttachLiveInput(LiveInput* input);
    // The transport outside asked before every buffer. Null detaches. Takes
    // the project lock like AttachLiveInput; link must outlive its
    // attachment.
    void AttachTransport(TransportLink* link);

    // Whether the meters are kept: every Node's peak level, the Master's
    // analyzer rings and the CPU figures (Statistics, each Node's machine
    // time), which windows show. Rendering without a window skips their
    // bookkeeping, a fixed cost on every Node, and keeps the CPU figures at
    // zero; a Node under an analyzer still has its rings fed. Any thread.
    void ShowMeters(bool show) { metersShown_.store(show, std::memory_order_relaxed); }

private:
    void RenderChunk(Project& project, const AudioBuffer& buffer, int done, int frames) noexcept;
    void RenderNode(Project& project, Node& node, const ChunkTiming& chunk) noexcept;
    void MixInputs(Project& project, Node& node, int frames) noexcept;
    void FinishNode(Node& node, int frames) noexcept;
    // Debug and sanitizer builds: marks a Node whose machine put out a
    // sample that is not a number from inputs that all were (see
    // NodeFaults.h).
    void CheckOutputs(Node& node, int frames) noexcept;
    static void CopyOut(const Node* master, const AudioBuffer& buffer, int done,
                        int frames) noexcept;
    void UpdateStatistics(Project& project, int frames) noexcept;
    // Ends the running stage: timer gets the time since the previous stage
    // ended, which is returned. The stages of consecutive Nodes follow one
    // another, so each boundary costs one reading of the clock.
    double EndStage(Timer timer) noexcept {
        if (!timed_) {
            return 0.0;
        }
        stageClock_.Lap();
        timers_[timer] = stageClock_;
        return stageClock_.Elapsed();
    }

    CurrentProject& current_;
    std::array<PerfTimer, kTimerCount> timers_{};
    PerfTimer stageClock_;
    // Whether this cycle reads the clock: the CPU figures are shown with the
    // meters and, like them, kept only while shown.
    bool timed_ = false;
    TempoRecord tempo_;
    EventCollector events_;
    WorkEventArray workEvents_;
    CpuStatistics statistics_;
    ChunkStreamer* streamer_ = nullptr;
    std::recursive_mutex* streamerLock_ = nullptr;
    PreviewSlot* preview_ = nullptr;
    LiveInput* liveInput_ = nullptr;
    TransportLink* transport_ = nullptr;
    std::uint64_t framesRendered_ = 0; // since the engine was made: LiveInput's clock

    // State of the buffer being rendered.
    bool anySolo_ = false;
    double peakDecay_ = 0.001; // per sample
    std::atomic<bool> metersShown_ = false;
    double mixingTime_ = 0.0;
    double eventsTime_ = 0.0;
    double outputTime_ = 0.0;
};

} // namespace tarn
