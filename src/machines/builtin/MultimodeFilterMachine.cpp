#include "machines/builtin/MultimodeFilterMachine.h"

#include "machines/framework/ParameterDisplay.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

constexpr double kLowestHz = 20.0;
constexpr double kHighestHz = 20000.0;
constexpr double kOctavesSpanned = 9.9658; // log2(20000 / 20)

// Shown as stored, 0..1, followed by " %".
int FormatStoredPercent(char* text, double v) noexcept {
    return WriteValueText(text, v, 2, " %");
}

int FormatBandwidth(char* text, double v) noexcept {
    return WriteValueText(text, v, 2, " octaves");
}

constexpr std::array<ParameterRow, 5> kRows{{
    {.index = MultimodeFilterMachine::kFrequency,
     .name = "Frequency",
     .description = "Frequency",
     .defaultValue = 1.0,
     .format = FormatStoredPercent},
    {.index = MultimodeFilterMachine::kResonance,
     .name = "Resonance",
     .description = "Resonance",
     .defaultValue = 1.0,
     .format = FormatStoredPercent},
    {.index = MultimodeFilterMachine::kBandwidth,
     .name = "Bandwidth",
     .description = "Bandwidth\nBandwidth in octaves.",
     .minimum = 0.1,
     .maximum = 5.0,
     .defaultValue = 1.0,
     .format = FormatBandwidth},
    {.index = MultimodeFilterMachine::kType,
     .name = "Filter Type",
     .description = "Filter Type",
     .type = kTypeByte,
     .minimum = 0.0,
     .maximum = 3.0,
     .resolution = 1.0,
     .names = kFilterTypeNames},
    {.index = MultimodeFilterMachine::kSlope,
     .name = "Filter Slope",
     .description = "Filter Slope",
     .type = kTypeByte,
     .minimum = 0.0,
     .maximum = 2.0,
     .resolution = 1.0,
     .names = kFilterSlopeNames},
}};

} // namespace

MultimodeFilterMachine::MultimodeFilterMachine()
    : StereoEffect(MachineInfo::Builtin(kKindEffect, "Tarn Multimode Filter", "MMFilter"),
                   ParameterTable{kRows}) {
    Prepare(kDspSampleRate);
}

double MultimodeFilterMachine::CutoffHz(double v) noexcept {
    return std::min(kLowestHz * std::exp2(kOctavesSpanned * v), kHighestHz);
}

void MultimodeFilterMachine::Prepare(double rate) {
    filter_.Init(rate);
    for (ParameterRamp* ramp : {&frequency_, &resonance_, &bandwidth_}) {
        ramp->Init(1.0, 1.0, kRampSeconds * rate);
    }
    countdown_ = 0;
}

void MultimodeFilterMachine::ApplyParameter(const EventRecord& event) noexcept {
    const double glide = event.glideLength * samplesPerBeat;
    switch (event.index) {
    case kFrequency:
        frequency_.Set(event.value, event.endValue, glide);
        break;
    case kResonance:
        resonance_.Set(event.value, event.endValue, glide);
        break;
    case kBandwidth:
        bandwidth_.Set(event.value, event.endValue, glide);
        break;
    case kType:
        filter_.type = TruncateValue(event.value);
        filter_.UpdateCoefficients();
        break;
    default:
        filter_.sectionCount = TruncateValue(event.value) + 1;
        filter_.UpdateCoefficients();
        break;
    }
}

void MultimodeFilterMachine::Design() noexcept {
    filter_.cutoff = UsableFrequency(CutoffHz(frequency_.value), filter_.sampleRate);
    filter_.resonance = resonance_.value;
    filter_.bandwidth = bandwidth_.value;
    filter_.UpdateCoefficients();
}

void MultimodeFilterMachine::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    const StereoChannels io = Channels(record);
    for (int i = from; i < to; ++i) {
        if (countdown_ == 0) {
            Design();
            countdown_ = kCoefficientInterval - 1;
        } else {
            --countdown_;
        }
        const double guard = guard_.Next();
        io.outLeft[i] = FlushBelowFloor(filter_.Process(0, io.left[i] + guard));
        io.outRight[i] = FlushBelowFloor(filter_.Process(1, io.right[i] + guard));
        frequency_.Tick();
        resonance_.Tick();
        bandwidth_.Tick();
    }
}

} // namespace tarn
