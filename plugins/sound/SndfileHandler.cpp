// A sound handler on libsndfile, built as a plug-in library exactly as a
// third party would build one: FLAC, Ogg Vorbis, Opus, AIFF, CAF and the
// WAV layouts the built-in reader leaves alone.
#include "wavetable/SoundHandler.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace tarn {
namespace {

// A file that decodes to more samples than this is refused rather than
// allowed to exhaust memory.
constexpr std::int64_t kMaxSamples = std::int64_t{1} << 30;
constexpr std::size_t kBlockSamples = 1 << 16;
constexpr std::int32_t kDecodedBits = 32;
// libsndfile's own limit; a header claiming more is damaged.
constexpr int kMaxChannels = 1024;

// Integer sources are scaled as the built-in reader scales them (full scale
// 2^(bits-1) - 1 becomes 1.0); 0 leaves libsndfile's own float scaling.
double IntegerFullScale(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 127.0;
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_ALAC_16:
        return 32767.0;
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_ALAC_24:
        return 8388607.0;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ALAC_32:
        return 2147483647.0;
    default:
        return 0.0;
    }
}

// The sampler-chunk loop type of a libsndfile loop mode; -1 for none.
std::int32_t LoopKind(int mode) {
    switch (mode) {
    case SF_LOOP_FORWARD:
        return 0;
    case SF_LOOP_ALTERNATING:
        return 1;
    case SF_LOOP_BACKWARD:
        return 2;
    default:
        return -1;
    }
}

class SndfileHandler final : public SoundHandler {
public:
    ~SndfileHandler() override { Close(); }

protected:
    std::int32_t Open(std::int32_t /*value*/, const char* path) override {
        Close();
        path_ = path;
        return Reopen() ? 1 : 0;
    }

    std::int32_t Close() override {
        if (file_ != nullptr) {
            sf_close(file_);
            file_ = nullptr;
        }
        return 1;
    }

    // Counts the frames by decoding them: a header's frame count may be
    // wrong (or absent for streams), the decoded data never is.
    std::int32_t QueryFormat(SoundData& sound) override {
        if (file_ == nullptr || info_.channels <= 0 || info_.samplerate <= 0) {
            return 0;
        }
        std::int64_t frames = 0;
        for (sf_count_t read = 0;
             (read = sf_readf_double(file_, block_.data(), BlockFrames())) > 0;) {
            frames += read;
            if (frames * info_.channels > kMaxSamples) {
                return 0;
            }
        }
        if (sf_error(file_) != SF_ERR_NO_ERROR) {
            return 0;
        }
        ReadLoops();
        frames_ = frames;
        sound.format = {static_cast<std::int32_t>(frames), info_.channels, kDecodedBits,
                        info_.samplerate, static_cast<std::int32_t>(loops_.size())};
        return 1;
    }

    std::int32_t Decode(SoundData& sound) override {
        const auto channels = static_cast<std::size_t>(info_.channels);
        if (sound.channels == nullptr || sound.format.channelCount != info_.channels ||
            sound.format.frameCount != frames_ || !Reopen()) {
            return 0;
        }
        for (std::size_t i = 0;
             i < loops_.size() && std::cmp_less(i, sound.format.loopPointCount) &&
             sound.loopPoints != nullptr;
             ++i) {
            *sound.loopPoints[i] = loops_[i];
        }
        sf_count_t done = 0;
        while (done < frames_) {
            const sf_count_t read =
                sf_readf_double(file_, block_.data(), std::min(BlockFrames(), frames_ - done));
            if (read <= 0) {
                return 0;
            }
            for (sf_count_t frame = 0; frame < read; ++frame) {
                for (std::size_t c = 0; c < channels; ++c) {
                    sound.channels[c][done + frame] = static_cast<float>(
                        block_[static_cast<std::size_t>(frame) * channels + c] * scale_);
                }
            }
            done += read;
        }
        return 1;
    }

private:
    sf_count_t BlockFrames() const {
        return static_cast<sf_count_t>(block_.size()) / info_.channels;
    }

    bool Reopen() {
        Close();
        info_ = {};
        file_ = sf_open(path_.c_str(), SFM_READ, &info_);
        if (file_ == nullptr || info_.channels <= 0 || info_.channels > kMaxChannels) {
            Close();
            return false;
        }
        const double fullScale = IntegerFullScale(info_.format);
        if (fullScale > 0.0) {
            sf_command(file_, SFC_SET_NORM_DOUBLE, nullptr, SF_FALSE);
        }
        scale_ = fullScale > 0.0 ? 1.0 / fullScale : 1.0;
        const auto channels = static_cast<std::size_t>(info_.channels);
        block_.resize(kBlockSamples - kBlockSamples % channels);
        return true;
    }

    void ReadLoops() {
        loops_.clear();
        SF_INSTRUMENT instrument{};
        if (sf_command(file_, SFC_GET_INSTRUMENT, &instrument, sizeof(instrument)) != SF_TRUE) {
            return;
        }
        const int count =
            std::clamp(instrument.loop_count, 0, static_cast<int>(std::size(instrument.loops)));
        for (int i = 0; i < count; ++i) {
            const auto& loop = instrument.loops[i];
            const std::int32_t kind = LoopKind(loop.mode);
            if (kind >= 0) {
                loops_.push_back(
                    {kind, 0, static_cast<double>(loop.start), static_cast<double>(loop.end)});
            }
        }
    }

    std::string path_;
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    double scale_ = 1.0;
    sf_count_t frames_ = 0;
    std::vector<double> block_;
    std::vector<LoopPoint> loops_;
};

} // namespace
} // namespace tarn

extern "C" __attribute__((visibility("default"))) tarn::SoundHandler* CreatePlugin() {
    return new tarn::SndfileHandler();
}
