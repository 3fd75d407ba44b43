#pragma once

#include "GeneratorHarness.h"

#include "machines/builtin/AnalogBass.h"

namespace tarn::test {

// One Analog Bass in a generator harness.
class AnalogBassHarness : public GeneratorHarness {
public:
    explicit AnalogBassHarness(int bpm = 120)
        : GeneratorHarness(std::make_unique<AnalogBass>(), bpm) {}
};

} // namespace tarn::test
