#pragma once

#include "audio/StreamSink.h"
#include "base/ByteRing.h"
#include "engine/ChunkStreamer.h"
#include "tarn/MachineAbi.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tarn {

// Records, while the engine runs, the inputs or the outputs of one Node (the
// Project's recordSourceId and that Node's recordInputs flag) to a WAVE file
// or to raw sample data, as 32-bit or 64-bit IEEE floats, at most two
// channels, frames interleaved channel 0 then channel 1, little-endian.
//
// Locks and threads: WriteChunk runs on the audio thread once per rendered
// chunk, after every Node was rendered and with no Node lock held; it only
// converts the samples into a lock-free ring. A disk thread of each
// recording writes the ring to the sink, so the audio thread never waits
// for a disk; should the ring ever fill, whole chunks are dropped and
// counted rather than waited for. Start, Stop and the settings run on the
// GUI thread and hold the streamer lock (recursive, so a caller may already
// hold it) only for moments, never across file work. Start and WriteChunk
// read the Project, so their caller holds the project lock, which comes
// before the streamer lock.
class AudioStreamer : public ChunkStreamer {
public:
    enum FileType : int { kWaveFile = 0, kRawFile = 1 };
    enum SampleFormat : int { kFloat32 = 0, kFloat64 = 1 };

    // A leading "/" puts the name under the application directory.
    static constexpr const char* kDefaultFileName = "/Out/Mixdown";
    static constexpr int kMaxChannels = 2;
    static constexpr int kWaveHeaderSize = 46;
    static constexpr int kSampleRate = 44100;
    // The WAVE header's sizes are unsigned 32-bit and the RIFF size counts
    // the 38 header bytes after it on top of the data.
    static constexpr std::uint64_t kMaxWaveDataBytes = 0xFFFFFFFFull - 38;

    // Holds some six seconds of 64-bit stereo: a disk stalling for that
    // long loses nothing.
    static constexpr std::size_t kRingBytes = std::size_t{1} << 22;

    // Writes to files.
    AudioStreamer();
    // Writes through sink instead.
    explicit AudioStreamer(std::unique_ptr<StreamSink> sink);
    // A recording still running is completed.
    ~AudioStreamer() override;
    AudioStreamer(const AudioStreamer&) = delete;
    AudioStreamer& operator=(const AudioStreamer&) = delete;

    // Opens the file (truncating it) and, for WAVE, queues the header with
    // size placeholders. The channel count is fixed here from the source
    // Node. 0 when already streaming or when the file cannot be opened
    // ("failed to open file '<path>'" on the error pipe).
    int Start(const Project& project);
    // Ends the recording: waits until the disk thread has written every
    // queued byte, patched the WAVE sizes and closed the file. 0, with an
    // error line, when the file could not be written completely or frames
    // were dropped; 1 otherwise, also when idle.
    int Stop();
    // Queues frames 0 .. frames - 1 of the source Node's recorded side
    // (at most kMaxChunkFrames). Audio thread: neither allocates nor waits.
    // A WAVE recording that would outgrow its 32-bit sizes is stopped after
    // the last frame that fits; the disk thread completes the file and
    // reports it with an error line.
    void WriteChunk(Project& project, int frames) noexcept override;
    // Waits until the ring has room for a whole chunk, or no recording runs:
    // an offline render may outrun the disk and calls it between chunks,
    // with no lock held. Never on the audio thread.
    void WaitForRoom();

    // Refused while streaming with "can't change settings while streaming!"
    // on the error pipe (0); an unknown type or format is refused too.
    int SetFileName(const std::string& name);
    int SetFileType(int type);
    int SetSampleFormat(int format);
    // The name the messages give the file: the user's own file when the
    // recording goes to a temporary that will replace it; empty for the
    // file's path.
    int SetShownName(const std::string& name);

    bool Streaming() const;
    const std::string& FileName() const { return fileName_; }
    int GetFileType() const { return fileType_; }
    int GetSampleFormat() const { return sampleFormat_; }
    // The file the next Start opens, or the one being written while
    // streaming: the name rules applied to the current settings.
    std::filesystem::path FilePath() const;
    // Sample bytes of the current or last recording (the window shows MB).
    std::uint64_t DataBytesWritten() const;
    // Frames of the current or last recording lost to a full ring.
    std::uint64_t DroppedFrames() const;

    std::recursive_mutex& Lock() { return lock_; }

    // Lowers the WAVE data limit, so that tests reach it without writing
    // gigabytes. Never above kMaxWaveDataBytes.
    void SetWaveDataLimit(std::uint64_t bytes);

private:
    // What a recording keeps fixed from its start.
    struct Recording {
        std::filesystem::path path;
        std::string shown; // the path, or the name it is shown by
        int fileType = kRawFile;
        int sampleBytes = 4;
        int channels = 0;
    };

    int SampleBytes() const { return sampleFormat_ == kFloat64 ? 8 : 4; }
    bool RefuseWhileStreaming() const;
    void QueueHeader();
    void QueueFrames(const double* const* sources, int frames) noexcept;
    // Disk thread: writes the ring to the sink until told to finish or the
    // recording ended itself, then completes the file.
    void WriteToDisk();
    bool DrainRing();
    int CompleteFile(bool written);
    // Ends the disk thread of the last recording, if any; its result.
    int JoinDiskThread();

    std::unique_ptr<StreamSink> sink_;
    ByteRing ring_{kRingBytes};

    // Start and Stop one after the other, without the streamer lock.
    std::mutex control_;
    // The streamer lock: the settings and the audio thread's side.
    mutable std::recursive_mutex lock_;
    bool streaming_ = false;
    int fileType_ = kRawFile;
    int sampleFormat_ = kFloat32;
    std::string fileName_ = kDefaultFileName;
    std::string shownName_;
    Recording recording_;
    std::uint64_t dataBytes_ = 0;
    std::uint64_t droppedFrames_ = 0;
    std::uint64_t waveDataLimit_ = kMaxWaveDataBytes;
    // One chunk converted to file bytes, so that a chunk is one ring write.
    std::array<std::uint8_t, kMaxChunkFrames * kMaxChannels * sizeof(double)> scratch_{};

    // Set by the audio thread on the last frame that fits a WAVE file.
    std::atomic<bool> reachedLimit_ = false;

    // The disk thread and the waits on it.
    std::thread disk_;
    std::mutex diskLock_;
    std::condition_variable diskWake_;
    std::condition_variable roomMade_;
    bool finish_ = false;  // Stop asks the disk thread to end
    bool diskDone_ = true; // no disk thread is writing
    int diskResult_ = 1;
};

} // namespace tarn
