#include "machines/framework/WaveView.h"

#include "tarn/SoundAbi.h"

#include <cmath>

namespace tarn {

WaveView WaveView::Of(const void* soundData) noexcept {
    WaveView view;
    const auto* sound = static_cast<const SoundData*>(soundData);
    if (sound == nullptr || sound->channels == nullptr) {
        return view;
    }
    const SoundFormat& format = sound->format;
    if (format.frameCount <= 0 || format.channelCount <= 0 || sound->channels[0] == nullptr) {
        return view;
    }
    view.left = sound->channels[0];
    view.right =
        format.channelCount > 1 && sound->channels[1] != nullptr ? sound->channels[1] : view.left;
    view.frames = format.frameCount;
    view.sampleRate = format.sampleRate > 0 ? format.sampleRate : 0.0;
    if (format.loopPointCount > 0 && sound->loopPoints != nullptr &&
        sound->loopPoints[0] != nullptr) {
        const LoopPoint& loop = *sound->loopPoints[0];
        const double last = view.frames - 1;
        if (std::isfinite(loop.start) && std::isfinite(loop.end) && loop.start >= 0.0 &&
            loop.start < loop.end && loop.end <= last) {
            view.loop = {.active = true, .kind = loop.kind, .start = loop.start, .end = loop.end};
        }
    }
    return view;
}

} // namespace tarn
