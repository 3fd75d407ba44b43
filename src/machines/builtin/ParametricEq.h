#pragma once

#include "machines/builtin/CascadeEffect.h"

#include <array>
#include <cstdint>

namespace tarn {

// "3 Band Parametric EQ": three peaking bands in series, each three
// identical sections that share the band's gain, so a band reaches its
// full gain at its centre frequency with a steeper skirt than one section.
class ParametricEq : public CascadeEffect {
public:
    static constexpr int kBands = 3;
    static constexpr int kSectionsPerBand = 3;
    // Band b (0..2) has the parameters 10·b + field.
    static constexpr std::int32_t kBandStride = 10;
    enum Field : std::int32_t { kFrequency = 0, kGain = 1, kBandwidth = 2 };

    ParametricEq();

protected:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    std::span<Band> Bands() noexcept override { return bands_; }
    // Design values by field: frequency (0..1), gain (dB), bandwidth.
    void Design(Band& band) noexcept override;

private:
    std::array<Band, kBands> bands_;
};

} // namespace tarn
