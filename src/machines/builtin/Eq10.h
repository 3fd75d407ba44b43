#pragma once

#include "machines/builtin/CascadeEffect.h"

#include <array>

namespace tarn {

// "EQ10": a ten-band graphic equaliser. Band 0 is a low shelf, band 9 a high
// shelf, bands 1 to 8 one-octave peaking sections an octave apart; only the
// gains are parameters (ids 0..9, in dB).
class Eq10 : public CascadeEffect {
public:
    static constexpr int kBands = 10;

    Eq10();

protected:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    std::span<Band> Bands() noexcept override { return bands_; }
    // The one design value is the gain in dB.
    void Design(Band& band) noexcept override;

private:
    std::array<Band, kBands> bands_;
};

} // namespace tarn
