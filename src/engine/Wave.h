#pragma once

#include "engine/Sound.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarn {

// The largest and the smallest sample of one block of a wave, for drawing.
struct OverviewPoint {
    float largest = 0.0f;
    float smallest = 0.0f;
};

// One sample of the project's wavetable: a decoded sound with its name and
// an overview of kOverviewBlock frames per point. Owned by the Project's
// wavetable; changed only with the project lock held. The sound never
// changes once set and is shared, so that a snapshot of the project (for
// saving) holds it instead of copying its samples under the lock.
class Wave {
public:
    static constexpr int kOverviewBlock = 64;

    // Discards what the wave held, takes sound and builds the overview.
    void Set(std::unique_ptr<Sound> sound, std::string name);
    // Frees the sound and the overview; the frame count becomes 0.
    void Clear();

    std::string name;

    std::int32_t FrameCount() const { return frameCount_; }
    int ChannelCount() const { return sound_ != nullptr ? sound_->ChannelCount() : 0; }
    // Null for a cleared wave.
    const Sound* GetSound() const { return sound_.get(); }
    // The same sound, kept alive for as long as the caller holds it.
    std::shared_ptr<const Sound> SharedSound() const { return sound_; }
    // frameCount / kOverviewBlock + 1 points per channel. A block that starts
    // at or beyond the frame count holds 0 for both values.
    const std::vector<OverviewPoint>& Overview(int channel) const {
        return overview_[static_cast<std::size_t>(channel)];
    }

private:
    std::int32_t frameCount_ = 0;
    std::shared_ptr<const Sound> sound_;
    std::vector<std::vector<OverviewPoint>> overview_;
};

} // namespace tarn
