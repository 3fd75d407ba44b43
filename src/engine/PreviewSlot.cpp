#include "engine/PreviewSlot.h"

#include <algorithm>

namespace tarn {

PreviewSlot::PreviewSlot() = default;
PreviewSlot::~PreviewSlot() = default;

void PreviewSlot::SetSound(std::unique_ptr<PreviewSound> sound) {
    sound_ = std::move(sound);
    position_ = 0;
}

void PreviewSlot::MixInto(double* const* outputs, int channels, int frames) noexcept {
    std::unique_lock guard(lock_, std::try_to_lock);
    if (!guard.owns_lock() || sound_ == nullptr || sound_->ChannelCount() <= 0 || frames <= 0) {
        return;
    }
    const std::uint32_t total = sound_->FrameCount();
    const std::uint32_t count =
        position_ < total ? std::min(static_cast<std::uint32_t>(frames), total - position_) : 0;
    for (int c = 0; c < std::min(channels, 2); ++c) {
        const float* source = sound_->Channel(c < sound_->ChannelCount() ? c : 0);
        double* output = outputs[c];
        if (source == nullptr || output == nullptr) {
            continue;
        }
        for (std::uint32_t k = 0; k < count; ++k) {
            output[k] += source[position_ + k] * kLevel;
        }
    }
    position_ += count;
}

} // namespace tarn
