#include "machines/builtin/BrickwallFilter.h"

#include "machines/framework/ParameterDisplay.h"

namespace tarn {
namespace {

int FormatCutoff(char* text, double v) noexcept {
    return FormatCubicFrequency(text, v, "hz");
}

// Shown as stored, 0..1, followed by a percent sign.
int FormatResonance(char* text, double v) noexcept {
    return WriteValueText(text, v, 2, "%");
}

constexpr std::array<ParameterRow, 2> kLowpassRows{{
    {.index = BrickwallFilter::kCutoff,
     .name = "Frequency",
     .description = "Cutoff frequency\nAll harmonics above this frequency are filtered out",
     .defaultValue = 1.0,
     .resolution = 0.05,
     .folder = 0,
     .format = FormatCutoff},
    {.index = BrickwallFilter::kResonance,
     .name = "Resonance",
     .description = "Resonance\nBoosts the harmonics at the cutoff point",
     .defaultValue = 0.0,
     .resolution = 0.05,
     .folder = -1,
     .format = FormatResonance},
}};

constexpr std::array<ParameterRow, 2> kHighpassRows{{
    {.index = BrickwallFilter::kCutoff,
     .name = "Cutoff",
     .description = "Cutoff frequency\nAll harmonics below this frequency are filtered out",
     .defaultValue = 0.0,
     .resolution = 0.05,
     .folder = 0,
     .format = FormatCutoff},
    {.index = BrickwallFilter::kResonance,
     .name = "Resonance",
     .description = "Resonance (Q)\nBoosts the harmonics at the cutoff point",
     .defaultValue = 0.0,
     .resolution = 0.05,
     .folder = -1,
     .format = FormatResonance},
}};

} // namespace

BrickwallFilter::BrickwallFilter(MachineInfo info, ParameterTable table, bool highpass)
    : CascadeEffect(std::move(info), table), highpass_(highpass) {
    Prepare(kDspSampleRate);
}

void BrickwallFilter::Prepare(double rate) {
    Band& band = band_[0];
    band.cascade.Init(rate, kSections);
    band.Hold(kCutoff, highpass_ ? 0.0 : 1.0, 1.0, rate);
    band.Hold(kResonance, 0.0, 1.0, rate);
    Design(band);
}

void BrickwallFilter::ApplyParameter(const EventRecord& event) noexcept {
    band_[0].MoveTo(event.index, event.value);
}

void BrickwallFilter::Design(Band& band) noexcept {
    BiquadCascade& cascade = band.cascade;
    const double rate = cascade.SampleRate();
    cascade.frequency = CubicFrequencyHz(band.values[kCutoff].current);
    cascade.resonance = band.values[kResonance].current;
    const double frequency = UsableFrequency(cascade.frequency, rate);
    const double q = ResonanceToQ(cascade.resonance / kSections);
    cascade.coefficients =
        highpass_ ? DesignHighpass(frequency, q, rate) : DesignLowpass(frequency, q, rate);
}

BrickwallLowpass::BrickwallLowpass()
    : BrickwallFilter(MachineInfo::Builtin(kKindEffect, "Brickwall LP filter", "BLPFilter"),
                      ParameterTable{kLowpassRows}, false) {}

BrickwallHighpass::BrickwallHighpass()
    : BrickwallFilter(MachineInfo::Builtin(kKindEffect, "Brickwall HP filter", "BHPFilter"),
                      ParameterTable{kHighpassRows}, true) {}

} // namespace tarn
