#pragma once

#include "machines/builtin/CascadeEffect.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Brickwall LP filter" and "Brickwall HP filter": six identical 12 dB
// sections in series, 72 dB per octave past the cutoff. The resonance is
// spread over the six sections.
class BrickwallFilter : public CascadeEffect {
public:
    enum Parameter : std::int32_t { kCutoff = 0, kResonance = 2 };
    static constexpr int kSections = 6;

protected:
    BrickwallFilter(MachineInfo info, ParameterTable table, bool highpass);

    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    std::span<Band> Bands() noexcept override { return band_; }
    void Design(Band& band) noexcept override;

private:
    bool highpass_;
    std::array<Band, 1> band_;
};

class BrickwallLowpass : public BrickwallFilter {
public:
    BrickwallLowpass();
};

class BrickwallHighpass : public BrickwallFilter {
public:
    BrickwallHighpass();
};

} // namespace tarn
