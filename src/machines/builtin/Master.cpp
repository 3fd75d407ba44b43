#include "machines/builtin/Master.h"

#include <algorithm>

namespace tarn {

std::int32_t Master::Work(const WorkRecord& record) noexcept {
    const int frames = std::clamp(record.frameCount, 0, kMaxChunkFrames);
    for (int channel = 0; channel < info_.outputChannels; ++channel) {
        double* output = record.outputs[channel]->samples;
        const ChannelBufferRecord* input = record.inputs[channel];
        if ((input->connected & 1) != 0) {
            std::copy_n(input->samples, frames, output);
        } else {
            std::fill_n(output, frames, 0.0);
        }
    }
    return 1;
}

std::int32_t Master::Describe() {
    info_ = MachineInfo::Builtin(kKindMaster, "Master", "Master");
    DescribeInfo(info_);

    bpm_.name = "BPM";
    bpm_.description = "Beats Per Minute\nThe tempo of the song";
    bpm_.type = kTypeDouble;
    bpm_.folder = 0;
    bpm_.flags = 0;
    bpm_.minimum = 1.0;
    bpm_.maximum = 1024.0;
    bpm_.defaultValue = 60.0;
    bpm_.resolution = 0.01;
    DescribeParameter(kBpmIndex, bpm_);
    return 1;
}

} // namespace tarn
