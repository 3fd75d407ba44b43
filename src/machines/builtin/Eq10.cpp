#include "machines/builtin/Eq10.h"

namespace tarn {
namespace {

constexpr int kGainValue = 0;          // the design value each band slews
constexpr double kPeakBandwidth = 1.0; // octaves

// The band frequencies in Hz. The shelves' corners sit inside the outer
// bands' labels ("32" and "16K").
constexpr std::array<double, Eq10::kBands> kBandHz{48,   64,   125,  250,  500,
                                                   1000, 2000, 4000, 8000, 12000};

constexpr ParameterRow BandRow(std::int32_t index, const char* name) {
    return {.index = index,
            .name = name,
            .description = name,
            .minimum = -15.0,
            .maximum = 15.0,
            .defaultValue = 0.0,
            .resolution = 0.05,
            .folder = 0};
}

constexpr std::array<ParameterRow, Eq10::kBands> kRows{{
    BandRow(0, "32"),
    BandRow(1, "64"),
    BandRow(2, "125"),
    BandRow(3, "250"),
    BandRow(4, "500"),
    BandRow(5, "1K"),
    BandRow(6, "2K"),
    BandRow(7, "4K"),
    BandRow(8, "8K"),
    BandRow(9, "16K"),
}};

} // namespace

Eq10::Eq10()
    : CascadeEffect(MachineInfo::Builtin(kKindEffect, "EQ10", "EQ10"), ParameterTable{kRows}) {
    Prepare(kDspSampleRate);
}

void Eq10::Prepare(double rate) {
    for (int b = 0; b < kBands; ++b) {
        Band& band = bands_[b];
        band.cascade.Init(rate, 1);
        band.cascade.frequency = kBandHz[b];
        band.cascade.bandwidth = kPeakBandwidth;
        band.Hold(kGainValue, 0.0, kRows[b].maximum - kRows[b].minimum, rate);
        Design(band);
    }
}

void Eq10::ApplyParameter(const EventRecord& event) noexcept {
    bands_[event.index].MoveTo(kGainValue, event.value);
}

void Eq10::Design(Band& band) noexcept {
    BiquadCascade& cascade = band.cascade;
    const double rate = cascade.SampleRate();
    const double frequency = UsableFrequency(cascade.frequency, rate);
    cascade.gain = band.values[kGainValue].current;
    if (&band == &bands_.front()) {
        cascade.coefficients = DesignLowShelf(frequency, cascade.gain, rate);
    } else if (&band == &bands_.back()) {
        cascade.coefficients = DesignHighShelf(frequency, cascade.gain, rate);
    } else {
        cascade.coefficients = DesignPeaking(frequency, cascade.gain, cascade.bandwidth, rate);
    }
}

} // namespace tarn
