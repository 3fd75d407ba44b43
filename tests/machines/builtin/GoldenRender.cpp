#include "GoldenRender.h"

#include "MachineHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>

namespace tarn::test {
namespace {

constexpr int kChannels = 2;

// The classic 32-bit linear congruential generator: the same numbers on
// every platform and library.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed) {}
    std::uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    int Below(int limit) { return static_cast<int>(Next() % static_cast<std::uint32_t>(limit)); }
    double Unit() { return (Next() & 0xFFFF) / 65535.0; }

private:
    std::uint32_t state_;
};

} // namespace

std::vector<double> GoldenRender(Machine& machine, std::uint32_t seed, int frames) {
    MachineDescription description;
    MachineHost host(machine, 120, &description.link);

    // The parameters in the order of their indices.
    std::map<std::int32_t, ParameterDescriptor> parameters;
    for (const MachineDescription::Parameter& parameter : description.parameters) {
        parameters[parameter.index] = parameter.descriptor;
    }
    std::vector<std::int32_t> indices;
    std::int32_t note = -1;
    for (const auto& [index, range] : parameters) {
        if (range.type == kTypeNote) {
            note = index;
        } else {
            indices.push_back(index);
        }
    }
    const int channels = std::min(description.infoValues.at(kHostInfoOutputChannels), kChannels);
    std::array<std::vector<double>, kChannels> rendered;
    std::array<std::vector<double>, kChannels> input;

    Random random(seed);
    long position = 0;
    for (int done = 0; done < frames;) {
        const int chunk = std::min(random.Below(8) == 0 ? 0 : 1 + random.Below(256), frames - done);
        // The defaults come first, before the first frame, as a new Node
        // announces them.
        for (std::size_t i = 0; done == 0 && i < indices.size(); ++i) {
            host.Queue(indices[i], parameters[indices[i]].defaultValue);
        }
        const int count = random.Below(4) == 0 ? random.Below(6) : 0;
        for (int i = 0; i < count; ++i) {
            const int offset = random.Below(chunk + 12);
            if (note >= 0 && random.Below(3) == 0) {
                EventRecord& event = host.Queue(note, 24 + random.Below(60), offset);
                event.velocity = random.Below(4) == 0 ? 0.0 : 0.25 + random.Unit() * 0.75;
                event.noteLength = random.Below(3) == 0 ? 0.0 : random.Unit() * 0.5;
            } else if (!indices.empty()) {
                const std::int32_t index = indices[random.Below(static_cast<int>(indices.size()))];
                const ParameterDescriptor& range = parameters[index];
                double value = range.minimum + random.Unit() * (range.maximum - range.minimum);
                if (range.type != kTypeDouble) {
                    value = std::round(value);
                }
                host.Queue(index, value, offset);
            }
        }
        std::array<bool, kChannels> connected{};
        for (int channel = 0; channel < kChannels; ++channel) {
            connected[channel] = random.Below(5) != 0;
            input[channel].resize(chunk);
            for (int frame = 0; frame < chunk; ++frame) {
                input[channel][frame] =
                    std::sin((position + frame) * (0.01 + 0.013 * channel)) * 0.8;
            }
        }
        if (random.Below(200) == 0) {
            host.Send(kMsgStop, 1);
        }
        const MachineHost::Stereo out =
            host.Run(chunk, {input[0], connected[0]}, {input[1], connected[1]});
        for (int channel = 0; channel < channels; ++channel) {
            const std::vector<double>& samples = channel == 0 ? out.left : out.right;
            rendered[channel].insert(rendered[channel].end(), samples.begin(), samples.end());
        }
        done += chunk;
        position += chunk;
    }
    std::vector<double> all;
    for (int channel = 0; channel < channels; ++channel) {
        all.insert(all.end(), rendered[channel].begin(), rendered[channel].end());
    }
    return all;
}

std::string GoldenDirectory() {
    const char* source = std::getenv("TARN_SOURCE_DIR");
    return std::string(source != nullptr ? source : ".") + "/tests/machines/builtin/golden";
}

std::vector<double> ReadGolden(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    std::vector<double> samples(static_cast<std::size_t>(file.tellg()) / sizeof(double));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * sizeof(double)));
    return samples;
}

void WriteGolden(const std::string& path, const std::vector<double>& samples) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(samples.data()),
               static_cast<std::streamsize>(samples.size() * sizeof(double)));
    EXPECT_TRUE(file.good()) << "cannot write " << path;
}

} // namespace tarn::test
