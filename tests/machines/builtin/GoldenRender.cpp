#include "GoldenRender.h"

#include "dsp/DspLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>

namespace tarn::test {
namespace {

constexpr double kRate = 44100.0;
constexpr int kChannels = 2;

struct Range {
    std::int32_t type = 0;
    double minimum = 0.0;
    double maximum = 0.0;
    double defaultValue = 0.0;
};

// What the performance needs to know of the description: each parameter's
// type and range, and the output channel count.
struct Description {
    std::map<std::int32_t, Range> parameters;
    std::int32_t outputChannels = 2;
};

std::int32_t Callback(MachineMessage* message) noexcept {
    auto* description = static_cast<Description*>(message->hostContext);
    const auto number = [message] { return *static_cast<const double*>(message->pointer); };
    switch (message->messageType) {
    case kHostDescribeBegin:
        return 1;
    case kHostInfoOutputChannels:
        description->outputChannels = message->value;
        break;
    case kHostParameterType:
        description->parameters[message->value].type = message->value2;
        break;
    case kHostParameterMinimum:
        description->parameters[message->value].minimum = number();
        break;
    case kHostParameterMaximum:
        description->parameters[message->value].maximum = number();
        break;
    case kHostParameterDefault:
        description->parameters[message->value].defaultValue = number();
        break;
    default:
        break;
    }
    return 0;
}

std::int32_t Send(Machine& machine, std::int32_t type, std::int32_t value = 0,
                  void* pointer = nullptr) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    return machine.HandleMessage(&message);
}

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

EventRecord MakeEvent(std::int32_t index, double value, int offset) {
    EventRecord event;
    event.group = kGroupMachine;
    event.index = static_cast<std::int16_t>(index);
    event.offset = offset;
    event.exactOffset = offset;
    event.value = value;
    event.endValue = value;
    return event;
}

} // namespace

std::vector<double> GoldenRender(Machine& machine, std::uint32_t seed, int frames) {
    if (DspSampleRate() != kRate) {
        EXPECT_EQ(InitializeDspLibrary(kRate), 1);
    }
    Description description;
    HostLink link{&description, &Callback, nullptr};
    Send(machine, kMsgAttachHost, 0, &link);
    Send(machine, kMsgDescribe);
    Send(machine, kMsgSetSampleRate, static_cast<std::int32_t>(kRate));
    Send(machine, kMsgSetBpm, 120);
    Send(machine, kMsgUpdateTempo);
    Send(machine, kMsgInit);

    std::vector<std::int32_t> indices;
    std::int32_t note = -1;
    for (const auto& [index, range] : description.parameters) {
        if (range.type == kTypeNote) {
            note = index;
        } else {
            indices.push_back(index);
        }
    }

    std::array<std::array<double, kMaxChunkFrames>, kChannels> inputSamples{};
    std::array<std::array<double, kMaxChunkFrames>, kChannels> outputSamples{};
    std::array<ChannelBufferRecord, kChannels> inputRecords{};
    std::array<ChannelBufferRecord, kChannels> outputRecords{};
    std::array<ChannelBufferRecord*, kChannels> inputs{};
    std::array<ChannelBufferRecord*, kChannels> outputs{};
    for (int channel = 0; channel < kChannels; ++channel) {
        inputRecords[channel].samples = inputSamples[channel].data();
        outputRecords[channel].samples = outputSamples[channel].data();
        inputs[channel] = &inputRecords[channel];
        outputs[channel] = &outputRecords[channel];
    }
    const int channels = std::min(description.outputChannels, kChannels);
    std::vector<std::vector<double>> rendered(channels);

    Random random(seed);
    std::vector<EventRecord> events;
    std::vector<EventRecord*> pointers;
    long position = 0;
    for (int done = 0; done < frames;) {
        const int chunk = std::min(random.Below(8) == 0 ? 0 : 1 + random.Below(256), frames - done);
        events.clear();
        // The defaults come first, before the first frame, as a new Node
        // announces them.
        for (std::size_t i = 0; done == 0 && i < indices.size(); ++i) {
            events.push_back(
                MakeEvent(indices[i], description.parameters[indices[i]].defaultValue, 0));
        }
        const int count = random.Below(4) == 0 ? random.Below(6) : 0;
        for (int i = 0; i < count; ++i) {
            const int offset = random.Below(chunk + 12);
            if (note >= 0 && random.Below(3) == 0) {
                EventRecord event = MakeEvent(note, 24 + random.Below(60), offset);
                event.velocity = random.Below(4) == 0 ? 0.0 : 0.25 + random.Unit() * 0.75;
                event.noteLength = random.Below(3) == 0 ? 0.0 : random.Unit() * 0.5;
                events.push_back(event);
            } else if (!indices.empty()) {
                const std::int32_t index = indices[random.Below(static_cast<int>(indices.size()))];
                const Range& range = description.parameters[index];
                double value = range.minimum + random.Unit() * (range.maximum - range.minimum);
                if (range.type != kTypeDouble) {
                    value = std::round(value);
                }
                events.push_back(MakeEvent(index, value, offset));
            }
        }
        std::stable_sort(
            events.begin(), events.end(),
            [](const EventRecord& a, const EventRecord& b) { return a.offset < b.offset; });
        pointers.clear();
        for (EventRecord& event : events) {
            pointers.push_back(&event);
        }
        for (int channel = 0; channel < kChannels; ++channel) {
            inputRecords[channel].connected = random.Below(5) == 0 ? 0 : 1;
            for (int frame = 0; frame < kMaxChunkFrames; ++frame) {
                inputSamples[channel][frame] =
                    std::sin((position + frame) * (0.01 + 0.013 * channel)) * 0.8;
            }
            outputSamples[channel].fill(-3.0);
        }
        if (random.Below(200) == 0) {
            Send(machine, kMsgStop, 1);
        }
        WorkRecord record;
        record.inputs = inputs.data();
        record.outputs = outputs.data();
        record.frameCount = chunk;
        record.events = pointers.data();
        record.eventCount = static_cast<std::int32_t>(pointers.size());
        EXPECT_EQ(Send(machine, kMsgWork, 0, &record), 1);
        for (int channel = 0; channel < channels; ++channel) {
            rendered[channel].insert(rendered[channel].end(), outputSamples[channel].begin(),
                                     outputSamples[channel].begin() + chunk);
        }
        done += chunk;
        position += chunk;
    }
    std::vector<double> all;
    for (const std::vector<double>& channel : rendered) {
        all.insert(all.end(), channel.begin(), channel.end());
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
