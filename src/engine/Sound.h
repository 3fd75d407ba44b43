#pragma once

#include "engine/PreviewSlot.h"
#include "tarn/SoundAbi.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tarn {

// The storage behind one SoundData record: the arrays a handler decodes
// into, a wave keeps and GetWave hands to machines. The record's pointers
// stay valid for the sound's whole life, so it is neither copied nor moved.
class Sound final : public PreviewSound {
public:
    // Zeroed arrays for format; negative counts are taken as 0. Throws
    // std::bad_alloc when the arrays cannot be had.
    explicit Sound(const SoundFormat& format);
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    const SoundFormat& Format() const { return data_.format; }
    SoundData& Data() { return data_; }
    const SoundData& Data() const { return data_; }

    std::span<float> Samples(int channel) { return channels_[static_cast<std::size_t>(channel)]; }
    std::span<const float> Samples(int channel) const {
        return channels_[static_cast<std::size_t>(channel)];
    }
    std::span<LoopPoint> LoopPoints() { return loopPoints_; }
    std::span<const LoopPoint> LoopPoints() const { return loopPoints_; }

    int ChannelCount() const override { return data_.format.channelCount; }
    std::uint32_t FrameCount() const override {
        return static_cast<std::uint32_t>(data_.format.frameCount);
    }
    const float* Channel(int channel) const override { return data_.channels[channel]; }

private:
    SoundData data_;
    std::vector<std::vector<float>> channels_;
    std::vector<float*> channelPointers_;
    std::vector<LoopPoint> loopPoints_;
    std::vector<LoopPoint*> loopPointers_;
};

} // namespace tarn
