#include "engine/Wave.h"

#include <algorithm>

namespace tarn {

void Wave::Set(std::unique_ptr<Sound> sound, std::string newName) {
    Clear();
    sound_ = std::move(sound);
    name = std::move(newName);
    if (sound_ == nullptr) {
        return;
    }
    frameCount_ = sound_->Format().frameCount;
    const std::size_t frames = static_cast<std::size_t>(frameCount_);
    const std::size_t points = frames / kOverviewBlock + 1;
    overview_.resize(static_cast<std::size_t>(sound_->ChannelCount()));
    for (std::size_t c = 0; c < overview_.size(); ++c) {
        const std::span<const float> samples = sound_->Samples(static_cast<int>(c));
        std::vector<OverviewPoint>& overview = overview_[c];
        overview.resize(points);
        for (std::size_t j = 0; j < points; ++j) {
            const std::size_t begin = j * kOverviewBlock;
            if (begin >= frames) {
                break;
            }
            const auto block =
                samples.subspan(begin, std::min<std::size_t>(kOverviewBlock, frames - begin));
            const auto [smallest, largest] = std::ranges::minmax(block);
            overview[j] = {largest, smallest};
        }
    }
}

void Wave::Clear() {
    sound_.reset();
    overview_.clear();
    frameCount_ = 0;
}

} // namespace tarn
