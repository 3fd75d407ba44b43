#include "dsp/WavePairOscillator.h"

#include "dsp/DspLibrary.h"
#include "dsp/NotePitch.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

// A lead in periods as a fixed-point phase offset, held to one period either
// way; anything not a number leads by nothing.
std::int64_t FixedLead(double periods) noexcept {
    if (!std::isfinite(periods)) {
        return 0;
    }
    return std::llround(std::clamp(periods, -1.0, 1.0) * kPhaseUnit);
}

const double* TableSamples(int kind, int note) noexcept {
    const CycleTable* table = CycleTableFor(kind, note);
    return table != nullptr ? table->samples : kSilentSamples.data();
}

} // namespace

void WavePairOscillator::Retune(int kindA, int kindB, double leadB, const Target& target,
                                double sampleRate, int samples, bool jump) noexcept {
    const NotePitch note = ResolvePitch(ClampPitch(target.pitch));
    a = TableSamples(kindA, note.note);
    b = TableSamples(kindB, note.note);
    offsetB = static_cast<std::uint32_t>(FixedLead(leadB));
    const std::int64_t newIncrement = PhaseIncrement(note.frequency / sampleRate);
    const std::int64_t newWidth = FixedLead(target.width);
    const double newAmplitude = std::isfinite(target.amplitude) ? target.amplitude : 0.0;
    if (jump || samples < 1) {
        increment = newIncrement;
        width = newWidth;
        amplitude = newAmplitude;
        incrementStep = widthStep = 0;
        amplitudeStep = 0.0;
        return;
    }
    incrementStep = (newIncrement - increment) / samples;
    widthStep = (newWidth - width) / samples;
    amplitudeStep = (newAmplitude - amplitude) / samples;
}

} // namespace tarn
