#include "SynthHarness.h"

#include "AnalogBassHarness.h"

#include "dsp/DspLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace tarn::test {

SynthHarness::SynthHarness(SubtractiveSynth& synth, int bpm) : host_(synth, bpm) {}

void SynthHarness::Set(std::int32_t index, double value, int offset) {
    host_.Queue(index, value, offset);
}

void SynthHarness::Note(double note, double lengthBeats, double velocity, int offset) {
    host_.QueueNote(SubtractiveSynth::kNote, note, lengthBeats, velocity, offset);
}

void SynthHarness::PlainSine() {
    Set(Osc(0, SubtractiveSynth::kEnabled), 1.0);
    Set(Osc(0, SubtractiveSynth::kWaveform), 2.0);
    Set(SubtractiveSynth::kAmpSustain, 1.0);
}

void JumpEveryParameter(SubtractiveSynth& synth, double bound) {
    SynthHarness h(synth);
    const int chunks = static_cast<int>(10 * SynthHarness::kRate / kMaxChunkFrames);
    double peak = 0.0;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        for (const ParameterRow& row : synth.Parameters().Rows()) {
            if (row.type != kTypeNote) {
                h.Set(row.index, (chunk + row.index) % 2 != 0 ? row.maximum : row.minimum);
            }
        }
        if (chunk % 4 == 0) {
            h.Note((chunk * 37) % 128, 0.1);
        }
        const SynthHarness::Stereo out = h.Render(kMaxChunkFrames);
        ASSERT_TRUE(AllFinite(out.left) && AllFinite(out.right)) << chunk;
        peak = std::max({peak, Peak(out.left), Peak(out.right)});
    }
    EXPECT_LT(peak, bound);
    EXPECT_GT(peak, 0.0);
}

} // namespace tarn::test
