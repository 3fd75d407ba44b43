#include "studio/RenderSong.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "engine/NodeFaults.h"
#include "engine/Project.h"
#include "studio/Studio.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <optional>
#include <vector>

namespace tarn {
namespace {

// Rounding in the beat count must not cost or add a frame.
constexpr double kFrameTolerance = 1e-6;
// Far beyond any file, and still a whole number a double holds exactly.
constexpr double kMostFrames = 0x1p62;
constexpr double kSecondsPerMinute = 60.0;

// The streamer takes a name with a leading "/" from the application
// directory, so a path anywhere is given relative to it.
// Appended rather than written as "/" + name: GCC 12 at -O3 sees the insert
// at the front of a temporary as an overlapping copy (-Wrestrict).
std::string StreamerFileName(const std::filesystem::path& file) {
    std::string name = "/";
    name += std::filesystem::absolute(file).lexically_relative(AppDirectory()).generic_string();
    return name;
}

bool IsRawName(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".raw";
}

// Refuses, before anything is written, a length that the WAVE format's
// 32-bit sizes cannot hold at the song's starting tempo.
bool FitsInWave(double beats, const TempoRecord& tempo, int sampleFormat) {
    const double frameBytes =
        AudioStreamer::kMaxChannels *
        (sampleFormat == AudioStreamer::kFloat64 ? sizeof(double) : sizeof(float));
    const double maxFrames = std::floor(AudioStreamer::kMaxWaveDataBytes / frameBytes);
    if (static_cast<double>(FramesForBeats(beats, tempo)) <= maxFrames) {
        return true;
    }
    ErrorOut() << "error: " << beats << " beats at " << tempo.bpm
               << " BPM pass the 4 GiB limit of WAVE files; the longest render that fits is "
               << std::floor(maxFrames * tempo.beatsPerSample)
               << " beats, or write a .raw file, which has no limit" << eol;
    return false;
}

// Prepares the streamer and the song under the project lock; the beats to
// render, or 0 after an error line.
double StartRecording(Project* project, AudioStreamer& streamer, const RenderRequest& request) {
    if (project == nullptr) {
        ErrorOut() << "error: there is no project to render" << eol;
        return 0.0;
    }
    SongTransport& transport = project->Transport();
    const double beats =
        request.beats > 0.0 ? request.beats : transport.songEnd - transport.songStart;
    if (!(beats > 0.0) || !std::isfinite(beats)) {
        ErrorOut() << "error: the song ends where it starts; give a number of beats to render"
                   << eol;
        return 0.0;
    }
    const bool raw = IsRawName(request.output);
    if (!raw && !FitsInWave(beats, project->Tempo(), request.sampleFormat)) {
        return 0.0;
    }
    if (streamer.SetFileName(StreamerFileName(request.output)) == 0 ||
        streamer.SetShownName(request.shown) == 0 ||
        streamer.SetFileType(raw ? AudioStreamer::kRawFile : AudioStreamer::kWaveFile) == 0 ||
        streamer.SetSampleFormat(request.sampleFormat) == 0) {
        return 0.0;
    }
    project->recordSourceId = Project::kMasterId;
    project->GetNode(Project::kMasterId)->SetRecordInputs(false);
    // Whatever played before (live notes, an earlier render) leaves no
    // voice or tail behind: every render of the same project is the same.
    project->Restart();
    transport.PlaySong();
    return streamer.Start(*project) != 0 ? beats : 0.0;
}

// The values every Node keeps, taken before a render and put back after
// it: playing the song writes each event's value into its parameter, and a
// render must leave the project as it found it, so that the next one starts
// from the same values. Project lock held.
class KeptValues {
public:
    explicit KeptValues(const Project& project) {
        for (auto [id, node] : project.Nodes()) {
            kept_.push_back({id, node->Serial(), node->Values()});
        }
    }

    void PutBack(Project& project) const {
        for (const Kept& kept : kept_) {
            Node* node = project.GetNode(kept.id);
            if (node != nullptr && node->Serial() == kept.serial) {
                node->RestoreValues(kept.values);
            }
        }
    }

private:
    struct Kept {
        int id;
        std::uint64_t serial;
        ParameterStore values;
    };
    std::vector<Kept> kept_;
};

} // namespace

std::int64_t FramesForBeats(double beats, const TempoRecord& tempo) {
    // Multiplied out before the one division, so that whole beats at a
    // whole tempo lose nothing to a rounded samples-per-beat figure.
    const double frames =
        std::ceil(beats * kSecondsPerMinute * tempo.sampleRate / tempo.bpm - kFrameTolerance);
    if (!(frames > 0.0)) {
        return 0;
    }
    return static_cast<std::int64_t>(std::min(frames, kMostFrames));
}

RenderLength::RenderLength(double beats, const TempoRecord& tempo)
    : beats_(beats), bpm_(tempo.bpm), sampleRate_(tempo.sampleRate),
      end_(FramesForBeats(beats, tempo)) {}

int RenderLength::NextChunk(int limit) const {
    return static_cast<int>(std::clamp<std::int64_t>(end_ - frames_, 0, limit));
}

void RenderLength::Rendered(int frames, const TempoRecord& tempo) {
    if (tempo.bpm != bpm_ || tempo.sampleRate != sampleRate_) {
        startBeats_ = Beats();
        start_ = frames_;
        bpm_ = tempo.bpm;
        sampleRate_ = tempo.sampleRate;
        end_ = start_ + FramesForBeats(beats_ - startBeats_, tempo);
    }
    frames_ += frames;
}

double RenderLength::Beats() const {
    return startBeats_ +
           static_cast<double>(frames_ - start_) * bpm_ / (kSecondsPerMinute * sampleRate_);
}

RenderResult RenderSong(Studio& studio, const RenderRequest& request) {
    CurrentProject& current = studio.Current();
    AudioStreamer& streamer = studio.Streamer();
    RenderResult result;
    std::unique_lock lock(current.Lock());
    Project* project = current.Get();
    const std::optional<KeptValues> values =
        project != nullptr ? std::optional<KeptValues>(*project) : std::nullopt;
    const double beats = StartRecording(project, streamer, request);
    if (beats == 0.0) {
        return result;
    }
    result.file = streamer.FilePath();

    std::array<std::array<double, kMaxChunkFrames>, 2> samples{};
    std::array<double*, 2> outputs{samples[0].data(), samples[1].data()};
    AudioBuffer buffer;
    buffer.outputs = outputs.data();
    // One chunk per cycle: the tempo can only change between chunks, so the
    // frames still due are known exactly before each one.
    RenderLength length(beats, project->Tempo());
    while (streamer.Streaming()) {
        if (request.cancelled && request.cancelled()) {
            result.cancelled = true;
            break;
        }
        buffer.frameCount = length.NextChunk(kMaxChunkFrames);
        if (buffer.frameCount <= 0) {
            break;
        }
        lock.unlock();
        // Faster than real time, the render could outrun the disk thread.
        streamer.WaitForRoom();
        studio.Engine().WorkCycle(buffer);
        lock.lock();
        length.Rendered(buffer.frameCount, project->Tempo());
        result.frames = length.Frames();
        if (request.progress) {
            const double done = length.Beats();
            request.progress(std::min(done / beats, 1.0), done);
        }
    }
    // Streaming already ended here only when the size limit stopped it.
    const bool complete = streamer.Streaming() && !result.cancelled;
    project->Stop();
    values->PutBack(*project);
    ReportNodeFaults(*project);
    lock.unlock();
    if (streamer.Stop() == 0) {
        std::error_code ignored;
        std::filesystem::remove(result.file, ignored);
        return result;
    }
    result.done = complete;
    return result;
}

} // namespace tarn
