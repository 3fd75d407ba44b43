#include "machines/builtin/CascadeEffect.h"

#include <algorithm>

namespace tarn {

void CascadeEffect::Band::Hold(int i, double value, double range, double rate) noexcept {
    values[i] = SlewRamp{};
    values[i].current = values[i].target = value;
    values[i].scale = range;
    values[i].time = kSlewSeconds * rate;
    changed = true;
}

void CascadeEffect::Band::MoveTo(int i, double value) noexcept {
    values[i].MoveTo(value);
    changed = true;
}

void CascadeEffect::Follow() noexcept {
    for (Band& band : Bands()) {
        if (!band.changed) {
            continue;
        }
        // Designed from where the values are now; they move on through the
        // interval, and a band that moved is designed again next time.
        Design(band);
        bool moving = false;
        for (SlewRamp& value : band.values) {
            moving = moving || value.remaining > 0.0;
            for (int i = 0; i < kControlInterval && value.remaining > 0.0; ++i) {
                value.Tick();
            }
        }
        band.changed = moving;
    }
}

void CascadeEffect::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    const StereoChannels io = Channels(record);
    const std::span<Band> bands = Bands();
    for (int i = from; i < to;) {
        if (countdown_ == 0) {
            Follow();
            countdown_ = kControlInterval;
        }
        const int end = std::min(to, i + countdown_);
        countdown_ -= end - i;
        for (; i < end; ++i) {
            double left = io.left[i];
            double right = io.right[i];
            for (Band& band : bands) {
                BiquadCascade& cascade = band.cascade;
                const double guard = cascade.NextGuard();
                left = cascade.ProcessGuarded(0, left, guard);
                right = cascade.ProcessGuarded(1, right, guard);
            }
            io.outLeft[i] = FlushBelowFloor(left);
            io.outRight[i] = FlushBelowFloor(right);
        }
    }
}

} // namespace tarn
