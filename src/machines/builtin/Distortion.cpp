#include "machines/builtin/Distortion.h"

#include "machines/framework/ParameterDisplay.h"

namespace tarn {
namespace {

constexpr int kSections = 4;

constexpr ParameterRow kParameters[] = {
    {.index = Distortion::kAmount,
     .name = "Amount",
     .description = "Amount",
     .minimum = 0.0,
     .maximum = 70.0,
     .defaultValue = 0.0,
     .resolution = 0.05},
    {.index = Distortion::kBandwidth,
     .name = "BW",
     .description = "BW\nFilter bandwidth",
     .minimum = 0.5,
     .maximum = 10.0,
     .defaultValue = 1.0,
     .resolution = 0.05},
    {.index = Distortion::kCentre,
     .name = "Center Freq",
     .description = "Filter center frequency",
     .minimum = 0.0,
     .maximum = 1.0,
     .defaultValue = 0.5,
     .resolution = 0.05},
};

MachineInfo DistortionInfo() {
    MachineInfo info = MachineInfo::Builtin(kKindEffect, "Tarn Distortion", "TDist");
    info.inputChannels = 2;
    info.outputChannels = 2;
    return info;
}

} // namespace

Distortion::Distortion() : BuiltinMachineBase(DistortionInfo(), ParameterTable{kParameters}) {
    Prepare(kDspSampleRate);
}

double Distortion::Saturate(double h) noexcept {
    if (h > 0.0) {
        h *= 1.05;
    }
    if (h < -1.0) {
        return -2.0 / 3.0;
    }
    if (h > 1.0) {
        return 2.0 / 3.0;
    }
    return h - h * h * h / 3.0;
}

void Distortion::Prepare(double rate) {
    cascade_.Init(rate, kSections);
    cascade_.frequency = CubicFrequencyHz(0.5);
    Design();
}

void Distortion::ApplyParameter(const EventRecord& event) noexcept {
    switch (event.index) {
    case kAmount:
        cascade_.gain = event.value;
        break;
    case kBandwidth:
        cascade_.bandwidth = event.value;
        break;
    case kCentre:
        // The base keeps the value within 0..1, so the centre never falls
        // below 10 Hz, where the design would break down.
        cascade_.frequency = CubicFrequencyHz(event.value);
        break;
    default:
        return;
    }
    Design();
}

void Distortion::Design() noexcept {
    cascade_.coefficients = DesignPeaking(cascade_.frequency, cascade_.gain / kSections,
                                          cascade_.bandwidth, cascade_.SampleRate());
}

void Distortion::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    for (int frame = from; frame < to; ++frame) {
        const double guard = cascade_.NextGuard();
        for (int channel = 0; channel < BiquadCascade::kChannels; ++channel) {
            const ChannelBufferRecord* input = record.inputs[channel];
            const double x = (input->connected & 1) != 0 ? input->samples[frame] : 0.0;
            record.outputs[channel]->samples[frame] =
                Saturate(cascade_.ProcessGuarded(channel, x, guard));
        }
    }
}

} // namespace tarn
