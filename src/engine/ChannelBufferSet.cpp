#include "engine/ChannelBufferSet.h"

#include <cstddef>
#include <new>

namespace tarn {

bool ChannelBufferSet::Allocate(int count) {
    samples_.clear();
    records_.clear();
    pointers_.clear();
    if (count < 0) {
        return false;
    }
    const auto channels = static_cast<std::size_t>(count);
    try {
        samples_.assign(channels * kMaxChunkFrames, 0.0);
        records_.resize(channels);
        pointers_.resize(channels);
    } catch (const std::bad_alloc&) {
        samples_.clear();
        records_.clear();
        pointers_.clear();
        return false;
    }
    for (std::size_t channel = 0; channel < channels; ++channel) {
        records_[channel].samples = samples_.data() + channel * kMaxChunkFrames;
        pointers_[channel] = &records_[channel];
    }
    return true;
}

void ChannelBufferSet::ClearConnected() {
    for (ChannelBufferRecord& record : records_) {
        record.connected = 0;
    }
}

} // namespace tarn
