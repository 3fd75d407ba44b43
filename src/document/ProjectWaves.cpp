#include "document/ProjectWaves.h"

#include "base/MessagePipe.h"
#include "formats/ChunkEndian.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <string_view>

namespace tarn {
namespace {

// The only sample layout a wave's arrays hold, and so the only one a file
// may carry: a block of any other width would be read as garbage floats.
constexpr std::int32_t kSampleBits = 32;
constexpr std::size_t kSampleBytes = 4;

std::vector<std::uint8_t> SampleBytes(const std::vector<float>& samples) {
    std::vector<std::uint8_t> bytes(samples.size() * kSampleBytes);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        StoreLittleEndian32(&bytes[i * kSampleBytes], std::bit_cast<std::uint32_t>(samples[i]));
    }
    return bytes;
}

// One channel out of a block of frames of `stride` samples each.
std::vector<float> Samples(const std::vector<std::uint8_t>& bytes, std::size_t frames,
                           std::size_t stride, std::size_t channel) {
    std::vector<float> samples(frames);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const std::size_t offset = (frame * stride + channel) * kSampleBytes;
        samples[frame] = std::bit_cast<float>(LoadLittleEndian32(&bytes[offset]));
    }
    return samples;
}

// Whether a block holds exactly frames x channels samples. Divides rather
// than multiplies, so no claimed count can overflow the check.
bool HoldsFrames(std::size_t byteCount, std::int32_t frames, std::int32_t channels) {
    if (frames < 0 || channels < 1 || byteCount % kSampleBytes != 0) {
        return false;
    }
    const std::size_t samples = byteCount / kSampleBytes;
    const auto perChannel = static_cast<std::size_t>(channels);
    return samples % perChannel == 0 && samples / perChannel == static_cast<std::size_t>(frames);
}

std::unique_ptr<Wave> Skip(const WaveDoc& doc, std::string_view why) {
    WarningOut() << "warning: wave " << doc.index << " '" << doc.name << "' skipped: " << why
                 << eol;
    return nullptr;
}

std::unique_ptr<Wave> BuildNewLayout(const WaveDoc& doc) {
    const WaveFormatDoc& format = doc.format;
    if (format.bitsPerSample != kSampleBits) {
        return Skip(doc, "its samples are not 32-bit floats");
    }
    if (format.channelCount < 1 ||
        static_cast<std::size_t>(format.channelCount) != doc.channels.size()) {
        return Skip(doc, "its channel count does not match its channel blocks");
    }
    auto wave = std::make_unique<Wave>();
    wave->frameCount = format.frameCount;
    wave->bitsPerSample = format.bitsPerSample;
    wave->sampleRate = format.sampleRate;
    wave->channels.resize(doc.channels.size());
    std::vector<bool> filled(doc.channels.size(), false);
    for (const WaveDataDoc& data : doc.channels) {
        if (data.channel < 0 || data.channel >= format.channelCount ||
            filled[static_cast<std::size_t>(data.channel)]) {
            return Skip(doc, "a channel block names no channel of its own");
        }
        if (!HoldsFrames(data.samples.size(), format.frameCount, 1)) {
            return Skip(doc, "a channel block does not hold its frame count");
        }
        const auto channel = static_cast<std::size_t>(data.channel);
        filled[channel] = true;
        wave->channels[channel] =
            Samples(data.samples, static_cast<std::size_t>(format.frameCount), 1, 0);
    }
    return wave;
}

std::unique_ptr<Wave> BuildOldLayout(const WaveDoc& doc) {
    WarningOut() << "warning: old waveform document structure detected" << eol;
    if (doc.oldBitsPerSample != kSampleBits) {
        return Skip(doc, "its samples are not 32-bit floats");
    }
    if (!HoldsFrames(doc.oldInterleaved.size(), doc.oldFrameCount, doc.oldChannelCount)) {
        return Skip(doc, "its sample block does not hold its frame count");
    }
    auto wave = std::make_unique<Wave>();
    wave->frameCount = doc.oldFrameCount;
    wave->bitsPerSample = doc.oldBitsPerSample;
    wave->sampleRate = doc.oldSampleRate;
    const auto frames = static_cast<std::size_t>(doc.oldFrameCount);
    const auto channels = static_cast<std::size_t>(doc.oldChannelCount);
    for (std::size_t channel = 0; channel < channels; ++channel) {
        wave->channels.push_back(Samples(doc.oldInterleaved, frames, channels, channel));
    }
    return wave;
}

// One slot per record; each record fills the slot its index names.
void AddLoopPoints(const WaveDoc& doc, Wave& wave) {
    wave.loopPoints.resize(doc.loopPoints.size());
    for (const LoopPointDoc& loop : doc.loopPoints) {
        // A bound that is no number cannot be played nor compared.
        if (loop.index < 0 || static_cast<std::size_t>(loop.index) >= wave.loopPoints.size() ||
            !std::isfinite(loop.start) || !std::isfinite(loop.end)) {
            WarningOut() << "warning: wave " << doc.index << ": loop point " << loop.index
                         << " is damaged and skipped" << eol;
            continue;
        }
        wave.loopPoints[static_cast<std::size_t>(loop.index)] = {loop.kind, loop.start, loop.end};
    }
}

} // namespace

WaveDoc SnapshotWave(int index, const Wave& wave) {
    WaveDoc doc;
    doc.index = index;
    doc.name = wave.name;
    doc.format = {wave.bitsPerSample, wave.sampleRate, wave.ChannelCount(), wave.frameCount};
    for (int channel = 0; channel < wave.ChannelCount(); ++channel) {
        doc.channels.push_back(
            {channel, SampleBytes(wave.channels[static_cast<std::size_t>(channel)])});
    }
    for (std::size_t i = 0; i < wave.loopPoints.size(); ++i) {
        const WaveLoopPoint& loop = wave.loopPoints[i];
        doc.loopPoints.push_back({static_cast<std::int32_t>(i), loop.start, loop.end, loop.kind});
    }
    return doc;
}

std::unique_ptr<Wave> BuildWave(const WaveDoc& doc) {
    std::unique_ptr<Wave> wave = doc.IsOldLayout() ? BuildOldLayout(doc) : BuildNewLayout(doc);
    if (wave != nullptr) {
        wave->name = doc.name;
        AddLoopPoints(doc, *wave);
    }
    return wave;
}

} // namespace tarn
