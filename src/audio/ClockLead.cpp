#include "audio/ClockLead.h"

#include <algorithm>

namespace tarn {

std::int32_t ClockLead::Update(std::int32_t measured, std::uint32_t frame, int frames) noexcept {
    if (!synced_ || measured < lead_ - kResyncFrames) {
        Restart(measured, frame);
        return lead_;
    }
    const std::uint32_t elapsed = frame - windowStart_;
    if (elapsed >= kWindowFrames) {
        // A gap of more than a window leaves nothing of the one before.
        lastLargest_ = elapsed >= 2 * kWindowFrames ? measured : windowLargest_;
        windowLargest_ = measured;
        windowStart_ = frame;
    } else {
        windowLargest_ = std::max(windowLargest_, measured);
    }
    const std::int32_t recent = std::max(windowLargest_, lastLargest_);
    if (recent >= lead_) {
        lead_ = recent;
    } else {
        lead_ -= std::min(lead_ - recent, std::max(frames / kShrinkPace, 1));
    }
    return lead_;
}

void ClockLead::Restart(std::int32_t measured, std::uint32_t frame) noexcept {
    synced_ = true;
    lead_ = measured;
    windowLargest_ = measured;
    lastLargest_ = measured;
    windowStart_ = frame;
}

} // namespace tarn
