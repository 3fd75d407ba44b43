#include "engine/ChannelBufferSet.h"

#include <cstddef>
#include <new>

namespace tarn {

bool ChannelBufferSet::Allocate(int count) {
    Release();
    if (count < 0) {
        return false;
    }
    const auto channels = static_cast<std::size_t>(count);
    try {
        samples_.assign(channels * kMaxChunkFrames, 0.0);
        records_.resize(channels);
        pointers_.resize(channels);
        rings_.resize(channels);
    } catch (const std::bad_alloc&) {
        Release();
        return false;
    }
    for (std::size_t channel = 0; channel < channels; ++channel) {
        records_[channel].samples = samples_.data() + channel * kMaxChunkFrames;
        pointers_[channel] = &records_[channel];
    }
    return true;
}

bool ChannelBufferSet::ProvideRings() {
    if (!ringSamples_.empty() || rings_.empty()) {
        return true;
    }
    try {
        ringSamples_.assign(rings_.size() * AnalyzerRing::kSize, 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::size_t channel = 0; channel < rings_.size(); ++channel) {
        rings_[channel].samples = ringSamples_.data() + channel * AnalyzerRing::kSize;
    }
    return true;
}

void ChannelBufferSet::Release() {
    samples_.clear();
    records_.clear();
    pointers_.clear();
    ringSamples_.clear();
    rings_.clear();
}

void ChannelBufferSet::ClearConnected() {
    for (ChannelBufferRecord& record : records_) {
        record.connected = 0;
    }
}

} // namespace tarn
