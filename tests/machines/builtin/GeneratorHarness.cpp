#include "GeneratorHarness.h"

#include "machines/builtin/synth/SubtractiveSynth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tarn::test {

GeneratorHarness::GeneratorHarness(Machine& machine, int bpm)
    : host_(machine, bpm, &description.link) {
    for (const MachineDescription::Parameter& parameter : description.parameters) {
        if (parameter.descriptor.type != kTypeNote) {
            Set(parameter.index, parameter.descriptor.defaultValue);
        }
    }
    // The defaults reach the machine before its first frame, as the Node's
    // announcements do.
    Render(0);
}

GeneratorHarness::GeneratorHarness(std::unique_ptr<Machine> machine, int bpm)
    : GeneratorHarness(*machine, bpm) {
    owned_ = std::move(machine);
}

void GeneratorHarness::Set(std::int32_t index, double value, int offset) {
    host_.Queue(index, value, offset);
}

void GeneratorHarness::Note(double note, double lengthBeats, double velocity, int offset,
                            std::int32_t index) {
    host_.QueueNote(index, note, lengthBeats, velocity, offset);
}

std::vector<double> GeneratorHarness::Render(int frames) {
    MachineHost::Stereo out = host_.Run(frames);
    EXPECT_EQ(out.left, out.right) << "a mono machine writes the same to both outputs";
    return std::move(out.left);
}

std::vector<double> GeneratorHarness::RenderSeconds(double seconds) {
    return Render(static_cast<int>(seconds * kRate));
}

std::int32_t GeneratorHarness::Send(std::int32_t type, std::int32_t value, void* pointer,
                                    void* extra) {
    return host_.Send(type, value, pointer, extra);
}

std::span<const double> Window(const std::vector<double>& samples, double fromSeconds,
                               double seconds) {
    const auto from = static_cast<std::size_t>(fromSeconds * MachineHost::kRate);
    const auto count = static_cast<std::size_t>(seconds * MachineHost::kRate);
    EXPECT_LE(from + count, samples.size());
    return std::span<const double>(samples).subspan(from, std::min(count, samples.size() - from));
}

int LastSounding(const std::vector<double>& samples) {
    const auto found =
        std::find_if(samples.rbegin(), samples.rend(), [](double s) { return s != 0.0; });
    return static_cast<int>(samples.rend() - found) - 1;
}

double JumpEveryParameter(GeneratorHarness& host) {
    const int chunks = static_cast<int>(10 * GeneratorHarness::kRate / kMaxChunkFrames);
    double peak = 0.0;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        for (const MachineDescription::Parameter& p : host.description.parameters) {
            const ParameterDescriptor& d = p.descriptor;
            if (d.type == kTypeNote) {
                if (chunk % 4 == 0) {
                    host.Note((chunk * 37 + p.index) % 128, 0.1, chunk % 12 == 8 ? 0.0 : 1.0,
                              chunk % 256, p.index);
                }
            } else {
                host.Set(p.index, (chunk + p.index) % 2 != 0 ? d.maximum : d.minimum);
            }
        }
        const GeneratorHarness::Stereo out = host.RenderStereo(kMaxChunkFrames);
        EXPECT_TRUE(AllFinite(out.left) && AllFinite(out.right)) << "chunk " << chunk;
        if (!AllFinite(out.left) || !AllFinite(out.right)) {
            return HUGE_VAL;
        }
        peak = std::max({peak, Peak(out.left), Peak(out.right)});
    }
    return peak;
}

std::int32_t Osc(int k, std::int32_t parameter) {
    return SubtractiveSynth::kOscillatorBase + k * SubtractiveSynth::kOscillatorStride + parameter;
}

std::int32_t Lfo(int k, std::int32_t parameter) {
    return SubtractiveSynth::kLfoBase + k * SubtractiveSynth::kLfoStride + parameter;
}

void PlainSine(GeneratorHarness& host) {
    host.Set(Osc(0, SubtractiveSynth::kEnabled), 1.0);
    host.Set(Osc(0, SubtractiveSynth::kWaveform), 2.0);
    host.Set(SubtractiveSynth::kAmpSustain, 1.0);
}

} // namespace tarn::test
