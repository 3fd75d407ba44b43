#include "machines/builtin/Master.h"

#include <algorithm>

namespace tarn {
namespace {

constexpr ParameterRow kParameters[] = {
    {.index = Master::kBpmIndex,
     .name = "BPM",
     .description = "Beats Per Minute\nThe tempo of the song",
     .minimum = 1.0,
     .maximum = 1024.0,
     .defaultValue = 60.0},
};

} // namespace

Master::Master()
    : BuiltinMachineBase(MachineInfo::Builtin(kKindMaster, "Master", "Master"),
                         ParameterTable{kParameters}) {}

void Master::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    for (int channel = 0; channel < Info().outputChannels; ++channel) {
        double* output = record.outputs[channel]->samples;
        const ChannelBufferRecord* input = record.inputs[channel];
        if ((input->connected & 1) != 0) {
            std::copy(input->samples + from, input->samples + to, output + from);
        } else {
            std::fill(output + from, output + to, 0.0);
        }
    }
}

} // namespace tarn
