#include "machines/builtin/CorvaReverbLe.h"

#include <numbers>

namespace tarn {
namespace {

MachineInfo LeInfo() {
    MachineInfo info = MachineInfo::Builtin(kKindEffect, "Corva Reverb LE", "CVerbLE");
    // What sets it apart, where the machine lists show it.
    info.alternateName = "Corva Reverb LE: 8 combs a side instead of 16, about half the cost";
    return info;
}

} // namespace

CorvaReverbLe::CorvaReverbLe()
    : CorvaReverb(LeInfo(), Layout{.combStep = 2, .inputGain = kInputGain * std::numbers::sqrt2}) {}

} // namespace tarn
