#include "dsp/EnvelopeGenerator.h"

namespace tarn {

void EnvelopeGenerator::Start() noexcept {
    if (mode == kTwoSegmentAttack) {
        Enter(kFirstAttack, firstAttackLength);
    } else {
        Enter(kAttack, attackLength);
    }
    releaseRequest = false;
}

} // namespace tarn
