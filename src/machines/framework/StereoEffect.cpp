#include "machines/framework/StereoEffect.h"

namespace tarn {
namespace {

constexpr std::array<double, kMaxChunkFrames> kSilence{};

const double* InputSamples(const WorkRecord& record, int channel) noexcept {
    const ChannelBufferRecord* input = record.inputs != nullptr ? record.inputs[channel] : nullptr;
    if (input == nullptr || input->samples == nullptr || (input->connected & 1) == 0) {
        return kSilence.data();
    }
    return input->samples;
}

} // namespace

StereoChannels StereoEffect::Channels(const WorkRecord& record) noexcept {
    auto output = [&](int channel) {
        const ChannelBufferRecord* out =
            record.outputs != nullptr ? record.outputs[channel] : nullptr;
        return out != nullptr && out->samples != nullptr ? out->samples : discard_.data();
    };
    return {InputSamples(record, 0), InputSamples(record, 1), output(0), output(1)};
}

} // namespace tarn
