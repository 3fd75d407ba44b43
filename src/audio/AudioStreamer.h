#pragma once

#include "engine/ChunkStreamer.h"
#include "tarn/MachineAbi.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>

namespace tarn {

// Records, while the engine runs, the inputs or the outputs of one Node (the
// Project's recordSourceId and that Node's recordInputs flag) to a WAVE file
// or to raw sample data, as 32-bit or 64-bit IEEE floats, at most two
// channels, frames interleaved channel 0 then channel 1, little-endian.
//
// Locks and threads: every operation takes the streamer lock itself (it is
// recursive, so a caller may already hold it). Start, Stop and the settings
// run on the GUI thread; WriteChunk runs on the audio thread once per
// rendered chunk, after every Node was rendered and with no Node lock held.
// Start and WriteChunk read the Project, so their caller holds the project
// lock, which comes before the streamer lock.
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

    AudioStreamer() = default;
    // A recording still running is completed.
    ~AudioStreamer() override;
    AudioStreamer(const AudioStreamer&) = delete;
    AudioStreamer& operator=(const AudioStreamer&) = delete;

    // Opens the file (truncating it) and, for WAVE, writes the header with
    // size placeholders. The channel count is fixed here from the source
    // Node. 0 when already streaming or when the file cannot be opened
    // ("failed to open file '<path>'" on the error pipe).
    int Start(const Project& project);
    // Patches the WAVE sizes and closes the file. 0, with an error line, when
    // the file could not be written completely; 1 otherwise, also when idle.
    int Stop();
    // Appends frames 0 .. frames - 1 of the source Node's recorded side
    // (at most kMaxChunkFrames). Audio thread: allocates nothing. A WAVE
    // recording that would outgrow its 32-bit sizes is stopped after the
    // last frame that fits, with an error line.
    void WriteChunk(Project& project, int frames) noexcept override;

    // Refused while streaming with "can't change settings while streaming!"
    // on the error pipe (0); an unknown type or format is refused too.
    int SetFileName(const std::string& name);
    int SetFileType(int type);
    int SetSampleFormat(int format);

    bool Streaming() const;
    const std::string& FileName() const { return fileName_; }
    int GetFileType() const { return fileType_; }
    int GetSampleFormat() const { return sampleFormat_; }
    // The file the next Start opens, or the one being written while
    // streaming: the name rules applied to the current settings.
    std::filesystem::path FilePath() const;
    // Sample bytes of the current or last recording (the window shows MB).
    std::uint64_t DataBytesWritten() const;

    std::recursive_mutex& Lock() { return lock_; }

    // Lowers the WAVE data limit, so that tests reach it without writing
    // gigabytes. Never above kMaxWaveDataBytes.
    void SetWaveDataLimit(std::uint64_t bytes);

private:
    int SampleBytes() const { return sampleFormat_ == kFloat64 ? 8 : 4; }
    bool RefuseWhileStreaming() const;
    void WriteHeader();
    void WriteFrames(const double* const* sources, int frames) noexcept;

    mutable std::recursive_mutex lock_;
    bool streaming_ = false;
    int fileType_ = kRawFile;
    int sampleFormat_ = kFloat32;
    std::string fileName_ = kDefaultFileName;
    std::filesystem::path path_; // of the open file
    std::ofstream file_;
    int channels_ = 0;
    std::uint64_t dataBytes_ = 0;
    std::uint64_t waveDataLimit_ = kMaxWaveDataBytes;
    // One chunk converted to file bytes, so a chunk is one write.
    std::array<std::uint8_t, kMaxChunkFrames * kMaxChannels * sizeof(double)> scratch_{};
};

} // namespace tarn
