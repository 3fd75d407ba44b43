#include "machines/builtin/ParametricEq.h"

#include "machines/framework/ParameterDisplay.h"

namespace tarn {
namespace {

int FormatGain(char* text, double v) noexcept {
    return FormatDecibels(text, v, " dB");
}

int FormatCentre(char* text, double v) noexcept {
    return FormatCubicFrequency(text, v);
}

constexpr ParameterRow FrequencyRow(std::int32_t band, const char* name) {
    return {.index = band * ParametricEq::kBandStride + ParametricEq::kFrequency,
            .name = name,
            .description = "Center frequency",
            .defaultValue = 0.0,
            .resolution = 0.05,
            .folder = 0,
            .format = FormatCentre};
}

constexpr ParameterRow GainRow(std::int32_t band, const char* name) {
    return {.index = band * ParametricEq::kBandStride + ParametricEq::kGain,
            .name = name,
            .description = "Gain at center frequency",
            .minimum = -30.0,
            .maximum = 30.0,
            .defaultValue = 0.0,
            .resolution = 0.05,
            .folder = -1,
            .format = FormatGain};
}

constexpr ParameterRow BandwidthRow(std::int32_t band, const char* name) {
    return {.index = band * ParametricEq::kBandStride + ParametricEq::kBandwidth,
            .name = name,
            .description = "Bandwidth in octaves",
            .minimum = 0.1,
            .maximum = 20.0,
            .defaultValue = 1.0,
            .resolution = 0.05,
            .folder = -1,
            .format = FormatOctaves};
}

constexpr std::array<ParameterRow, 9> kRows{{
    FrequencyRow(0, "B1 Frequency"),
    GainRow(0, "B1 Gain"),
    BandwidthRow(0, "B1 Bandwidth"),
    FrequencyRow(1, "B2 Frequency"),
    GainRow(1, "B2 Gain"),
    BandwidthRow(1, "B2 Bandwidth"),
    FrequencyRow(2, "B3 Frequency"),
    GainRow(2, "B3 Gain"),
    BandwidthRow(2, "B3 Bandwidth"),
}};

} // namespace

ParametricEq::ParametricEq()
    : CascadeEffect(MachineInfo::Builtin(kKindEffect, "3 Band Parametric EQ", "3BPEQ"),
                    ParameterTable{kRows}) {
    Prepare(kDspSampleRate);
}

void ParametricEq::Prepare(double rate) {
    // Each band's three rows, in field order, give its starting values and
    // slewing ranges.
    for (int b = 0; b < kBands; ++b) {
        Band& band = bands_[b];
        band.cascade.Init(rate, kSectionsPerBand);
        for (int field = 0; field < 3; ++field) {
            const ParameterRow& row = kRows[b * 3 + field];
            band.Hold(field, row.defaultValue, row.maximum - row.minimum, rate);
        }
        Design(band);
    }
}

void ParametricEq::ApplyParameter(const EventRecord& event) noexcept {
    bands_[event.index / kBandStride].MoveTo(event.index % kBandStride, event.value);
}

void ParametricEq::Design(Band& band) noexcept {
    BiquadCascade& cascade = band.cascade;
    const double rate = cascade.SampleRate();
    cascade.frequency = CubicFrequencyHz(band.values[kFrequency].current);
    cascade.gain = band.values[kGain].current;
    cascade.bandwidth = band.values[kBandwidth].current;
    // The band's gain is shared by its sections: G/3 dB each.
    cascade.coefficients = DesignPeaking(UsableFrequency(cascade.frequency, rate),
                                         cascade.gain / kSectionsPerBand, cascade.bandwidth, rate);
}

} // namespace tarn
