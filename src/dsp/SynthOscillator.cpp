#include "dsp/SynthOscillator.h"

#include "dsp/DspLibrary.h"
#include "dsp/NotePitch.h"

namespace tarn {

void SynthOscillator::Tune(int kind, double pitch, double sampleRate) noexcept {
    const NotePitch note = ResolvePitch(ClampPitch(pitch));
    increment = PhaseIncrement(note.frequency / sampleRate);
    const CycleTable* table = CycleTableFor(kind, note.note);
    samples = table != nullptr ? table->samples : kSilentSamples.data();
}

} // namespace tarn
