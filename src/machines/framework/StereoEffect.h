#pragma once

#include "machines/framework/BuiltinMachineBase.h"

#include <array>

namespace tarn {

// The channels of a stereo effect for one chunk, indexed by frame.
struct StereoChannels {
    const double* left;
    const double* right;
    double* outLeft;
    double* outRight;
};

// A built-in effect with two inputs and two outputs. Its RenderSegment takes
// the chunk's channels from Channels, where an input with nothing connected
// reads as silence and a missing output writes to a buffer nobody reads, so
// the per-sample loops need no tests of their own.
class StereoEffect : public BuiltinMachineBase {
protected:
    using BuiltinMachineBase::BuiltinMachineBase;

    StereoChannels Channels(const WorkRecord& record) noexcept;

private:
    std::array<double, kMaxChunkFrames> discard_{};
};

} // namespace tarn
