#include "cli/Playback.h"

#include "audio/MidiInputList.h"
#include "audio/PcmDeviceSelection.h"
#include "audio/WaveOutDriver.h"
#include "base/MessagePipe.h"
#include "cli/InterruptGuard.h"
#include "engine/ChunkStreamer.h"
#include "engine/Project.h"
#include "studio/RenderSong.h"
#include "studio/Studio.h"
#include "studio/StudioAudio.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <iomanip>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>

namespace tarn {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(10);

// Counts the beats the engine has played since playback began, on the
// chunk hook the streamer otherwise uses; done once that many were played
// or the song stopped at its end (a transport outside may stop it earlier,
// and start it again). Audio thread, with its lock held; Finished may be
// asked from any thread. Beats are counted in whole frames, as an offline
// render counts them, so that a long run ends on the same frame.
class PlaybackClock final : public ChunkStreamer {
public:
    explicit PlaybackClock(double beats) : beats_(beats) {}

    void WriteChunk(Project& project, int frames) noexcept override {
        const SongTransport& song = project.Transport();
        // The first chunk was rendered at the tempo in force now.
        if (!length_) {
            length_.emplace(beats_, project.Tempo());
        }
        if (song.Playing()) {
            length_->Rendered(frames, project.Tempo());
        }
        position_.store(song.position, std::memory_order_relaxed);
        const double end = song.LoopActive() ? song.loopEnd : song.songEnd;
        if (length_->NextChunk(1) == 0 || (!song.Playing() && song.position >= end)) {
            finished_.store(true, std::memory_order_release);
        }
    }
    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    double Position() const { return position_.load(std::memory_order_relaxed); }

    std::recursive_mutex lock;

private:
    double beats_;
    std::optional<RenderLength> length_;
    std::atomic<bool> finished_ = false;
    std::atomic<double> position_ = 0.0;
};

// The song position on a terminal's stderr, a few times a second.
class PositionLine {
public:
    explicit PositionLine(bool quiet) : terminal_(!quiet && isatty(STDERR_FILENO) != 0) {}
    ~PositionLine() {
        if (shown_) {
            std::cerr << "\r\033[K" << std::flush;
        }
    }
    PositionLine(const PositionLine&) = delete;
    PositionLine& operator=(const PositionLine&) = delete;

    void Show(double beat) {
        const auto now = std::chrono::steady_clock::now();
        if (terminal_ && now - last_ >= kRefresh) {
            std::cerr << "\rplaying: beat " << std::fixed << std::setprecision(1) << beat
                      << std::defaultfloat << "   " << std::flush;
            shown_ = true;
            last_ = now;
        }
    }

private:
    static constexpr auto kRefresh = std::chrono::milliseconds(200);
    bool terminal_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_{};
};

// Starts the song under the project lock and marks the live Nodes; the
// beats to play, or 0 after an error line. Live playing needs no song.
double StartSong(CurrentProject& current, const PlayRequest& request) {
    ProjectLock hold(current);
    Project* project = current.Get();
    if (project == nullptr) {
        ErrorOut() << "error: there is no project to play" << eol;
        return 0.0;
    }
    for (int id : request.liveNodes) {
        Node* node = project->GetNode(id);
        if (node == nullptr) {
            ErrorOut() << "error: there is no machine " << id << " to play live" << eol;
            return 0.0;
        }
        node->SetLiveInput(true);
    }
    SongTransport& transport = project->Transport();
    double beats = request.beats;
    if (!(beats > 0.0)) {
        // Once through: the transport itself stops at the song's end.
        beats = transport.songEnd - transport.songStart;
        transport.flags &= ~SongTransport::kRepeat;
    }
    if (!(beats > 0.0)) {
        if (!request.liveNodes.empty()) {
            return 1.0; // silence to play into
        }
        ErrorOut() << "error: the song ends where it starts; give a number of beats to play" << eol;
        return 0.0;
    }
    transport.PlaySong();
    return beats;
}

// What the device still holds once the last block was rendered.
std::chrono::milliseconds QueuedAudio() {
    const PcmFormat format;
    return std::chrono::milliseconds(1000LL * format.bufferFrames * format.bufferCount /
                                     format.sampleRate);
}

// Sleeps until done() holds; false when Ctrl+C or a failing device came
// first.
template <typename Done>
bool WaitFor(const InterruptGuard& guard, const WaveOutDriver& driver, Done done,
             const std::function<void()>& tick = {}) {
    while (!done()) {
        if (tick) {
            tick();
        }
        if (guard.Interrupted() || !driver.IsRunning()) {
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

} // namespace

PlayOutcome PlaySong(Studio& studio, const PlayRequest& request) {
    // From the start: connecting to a sound server can take a while.
    InterruptGuard guard;
    std::unique_ptr<PcmDevice> device = SelectPcmDevice(request.backend);
    if (device == nullptr) {
        return PlayOutcome::kFailed;
    }
    const bool anyDevice = device->DeviceCount() > 0;
    WaveOutDriver driver(std::move(device), request.latency, request.transport);
    HostLink link{};
    AttachRenderCallback(driver, studio.Engine(), link);
    if (driver.Open() == 0) {
        return anyDevice ? PlayOutcome::kFailed : PlayOutcome::kNoDevice;
    }
    studio.Engine().AttachTransport(driver.Transport());
    const double beats = StartSong(studio.Current(), request);
    if (beats == 0.0) {
        studio.Engine().AttachTransport(nullptr);
        return PlayOutcome::kFailed;
    }

    PlaybackClock clock(beats);
    studio.Engine().AttachStreamer(&clock, &clock.lock);
    MidiInputList midi;
    const bool live = !request.liveNodes.empty();
    if (live) {
        MessageOut() << "initializing input devices..." << eol;
        midi.OpenSystemInputs();
        studio.Engine().AttachLiveInput(&midi);
        MessageOut() << "playing live until Ctrl+C" << eol;
    }
    PlayOutcome outcome = PlayOutcome::kFailed;
    if (!guard.Interrupted() && driver.Start() != 0) {
        const auto heard = [&] {
            const auto end = std::chrono::steady_clock::now() + QueuedAudio();
            return WaitFor(guard, driver,
                           [end] { return std::chrono::steady_clock::now() >= end; });
        };
        PositionLine line(request.quiet);
        const auto show = [&line, &clock] { line.Show(clock.Position()); };
        if (WaitFor(
                guard, driver, [&clock, live] { return !live && clock.Finished(); }, show) &&
            heard()) {
            outcome = PlayOutcome::kFinished;
        }
    }
    if (guard.Interrupted()) {
        outcome = PlayOutcome::kInterrupted;
    }
    driver.Stop();
    studio.Engine().AttachTransport(nullptr);
    driver.Close();
    studio.Engine().AttachLiveInput(nullptr);
    midi.Close();
    studio.Engine().AttachStreamer(&studio.Streamer(), &studio.Streamer().Lock());
    ProjectLock hold(studio.Current());
    if (Project* project = studio.Current().Get()) {
        project->Stop();
    }
    return outcome;
}

} // namespace tarn
