#include "engine/Sound.h"

#include <algorithm>

namespace tarn {

Sound::Sound(const SoundFormat& format) {
    data_.format = format;
    SoundFormat& own = data_.format;
    own.frameCount = std::max(own.frameCount, 0);
    own.channelCount = std::max(own.channelCount, 0);
    own.loopPointCount = std::max(own.loopPointCount, 0);
    channels_.resize(static_cast<std::size_t>(own.channelCount));
    for (std::vector<float>& channel : channels_) {
        channel.resize(static_cast<std::size_t>(own.frameCount));
        channelPointers_.push_back(channel.data());
    }
    loopPoints_.resize(static_cast<std::size_t>(own.loopPointCount));
    for (LoopPoint& loop : loopPoints_) {
        loopPointers_.push_back(&loop);
    }
    data_.channels = channelPointers_.data();
    data_.loopPoints = loopPointers_.data();
}

} // namespace tarn
