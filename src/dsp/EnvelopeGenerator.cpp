#include "dsp/EnvelopeGenerator.h"

#include <limits>

namespace tarn {

void EnvelopeGenerator::Start() noexcept {
    if (mode == kTwoSegmentAttack) {
        Enter(kFirstAttack, firstAttackLength);
    } else {
        Enter(kAttack, attackLength);
    }
    releaseRequest = false;
}

double EnvelopeGenerator::StepFor(double length) noexcept {
    // Zero gives an infinite step, so the segment lasts one sample. Negative
    // or NaN lengths are treated the same way: a negative step would walk the
    // position below the curve's first entry and never finish.
    return length > 0.0 ? kCurveLength / length : std::numeric_limits<double>::infinity();
}

} // namespace tarn
