#include "document/ProjectWaves.h"

#include "engine/Sound.h"

#include "base/MessagePipe.h"
#include "formats/ChunkEndian.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <span>
#include <string_view>

namespace tarn {
namespace {

// The only sample layout a wave's arrays hold, and so the only one a file
// may carry: a block of any other width would be read as garbage floats.
constexpr std::int32_t kSampleBits = 32;
constexpr std::size_t kSampleBytes = 4;

// One channel out of a block of frames of `stride` samples each.
void CopySamples(std::span<const std::uint8_t> bytes, std::size_t stride, std::size_t channel,
                 std::span<float> samples) {
    for (std::size_t frame = 0; frame < samples.size(); ++frame) {
        const std::size_t offset = (frame * stride + channel) * kSampleBytes;
        samples[frame] = std::bit_cast<float>(LoadLittleEndian32(&bytes[offset]));
    }
}

SoundFormat Format(std::int32_t frames, std::int32_t channels, std::int32_t bits, std::int32_t rate,
                   const WaveDoc& doc) {
    return {frames, channels, bits, rate, static_cast<std::int32_t>(doc.loopPoints.size())};
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

std::unique_ptr<Sound> Skip(const WaveDoc& doc, std::string_view why) {
    WarningOut() << "warning: wave " << doc.index << " '" << doc.name << "' skipped: " << why
                 << eol;
    return nullptr;
}

std::unique_ptr<Sound> BuildNewLayout(const WaveDoc& doc) {
    const WaveFormatDoc& format = doc.format;
    if (format.bitsPerSample != kSampleBits) {
        return Skip(doc, "its samples are not 32-bit floats");
    }
    if (format.channelCount < 1 ||
        static_cast<std::size_t>(format.channelCount) != doc.channels.size()) {
        return Skip(doc, "its channel count does not match its channel blocks");
    }
    std::vector<bool> filled(doc.channels.size(), false);
    std::vector<std::uint8_t> scratch;
    for (const WaveDataDoc& data : doc.channels) {
        if (data.channel < 0 || data.channel >= format.channelCount ||
            filled[static_cast<std::size_t>(data.channel)]) {
            return Skip(doc, "a channel block names no channel of its own");
        }
        if (!HoldsFrames(StoredSampleBytes(data, scratch).size(), format.frameCount, 1)) {
            return Skip(doc, "a channel block does not hold its frame count");
        }
        filled[static_cast<std::size_t>(data.channel)] = true;
    }
    auto sound = std::make_unique<Sound>(Format(format.frameCount, format.channelCount,
                                                format.bitsPerSample, format.sampleRate, doc));
    for (const WaveDataDoc& data : doc.channels) {
        CopySamples(StoredSampleBytes(data, scratch), 1, 0, sound->Samples(data.channel));
    }
    return sound;
}

std::unique_ptr<Sound> BuildOldLayout(const WaveDoc& doc) {
    WarningOut() << "warning: old waveform document structure detected" << eol;
    if (doc.oldBitsPerSample != kSampleBits) {
        return Skip(doc, "its samples are not 32-bit floats");
    }
    if (!HoldsFrames(doc.oldInterleaved.size(), doc.oldFrameCount, doc.oldChannelCount)) {
        return Skip(doc, "its sample block does not hold its frame count");
    }
    auto sound = std::make_unique<Sound>(Format(doc.oldFrameCount, doc.oldChannelCount,
                                                doc.oldBitsPerSample, doc.oldSampleRate, doc));
    const auto channels = static_cast<std::size_t>(doc.oldChannelCount);
    for (std::size_t channel = 0; channel < channels; ++channel) {
        CopySamples(doc.oldInterleaved, channels, channel,
                    sound->Samples(static_cast<int>(channel)));
    }
    return sound;
}

// One slot per record; each record fills the slot its index names.
void AddLoopPoints(const WaveDoc& doc, Sound& sound) {
    const std::span<LoopPoint> loopPoints = sound.LoopPoints();
    for (const LoopPointDoc& loop : doc.loopPoints) {
        // A bound that is no number cannot be played nor compared.
        if (loop.index < 0 || static_cast<std::size_t>(loop.index) >= loopPoints.size() ||
            !std::isfinite(loop.start) || !std::isfinite(loop.end)) {
            WarningOut() << "warning: wave " << doc.index << ": loop point " << loop.index
                         << " is damaged and skipped" << eol;
            continue;
        }
        loopPoints[static_cast<std::size_t>(loop.index)] = {loop.kind, 0, loop.start, loop.end};
    }
}

} // namespace

std::span<const std::uint8_t> StoredSampleBytes(const WaveDataDoc& data,
                                                std::vector<std::uint8_t>& scratch) {
    if (data.sound == nullptr || data.channel < 0 || data.channel >= data.sound->ChannelCount()) {
        return data.samples;
    }
    const std::span<const float> samples = data.sound->Samples(data.channel);
    if constexpr (std::endian::native == std::endian::little) {
        return {reinterpret_cast<const std::uint8_t*>(samples.data()), samples.size_bytes()};
    }
    scratch.resize(samples.size() * kSampleBytes);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        StoreLittleEndian32(&scratch[i * kSampleBytes], std::bit_cast<std::uint32_t>(samples[i]));
    }
    return scratch;
}

bool WaveDataDoc::operator==(const WaveDataDoc& other) const {
    std::vector<std::uint8_t> scratch;
    std::vector<std::uint8_t> otherScratch;
    return channel == other.channel && std::ranges::equal(StoredSampleBytes(*this, scratch),
                                                          StoredSampleBytes(other, otherScratch));
}

WaveDoc SnapshotWave(int index, const Wave& wave) {
    WaveDoc doc;
    doc.index = index;
    doc.name = wave.name;
    const Sound* sound = wave.GetSound();
    const SoundFormat& format = sound->Format();
    doc.format = {format.bitsPerSample, format.sampleRate, format.channelCount, format.frameCount};
    for (int channel = 0; channel < format.channelCount; ++channel) {
        doc.channels.push_back({channel, {}, wave.SharedSound()});
    }
    const std::span<const LoopPoint> loopPoints = sound->LoopPoints();
    for (std::size_t i = 0; i < loopPoints.size(); ++i) {
        const LoopPoint& loop = loopPoints[i];
        doc.loopPoints.push_back({static_cast<std::int32_t>(i), loop.start, loop.end, loop.kind});
    }
    return doc;
}

std::unique_ptr<Wave> BuildWave(const WaveDoc& doc) {
    std::unique_ptr<Sound> sound = doc.IsOldLayout() ? BuildOldLayout(doc) : BuildNewLayout(doc);
    if (sound == nullptr) {
        return nullptr;
    }
    AddLoopPoints(doc, *sound);
    auto wave = std::make_unique<Wave>();
    wave->Set(std::move(sound), doc.name);
    return wave;
}

} // namespace tarn
