#include "EffectHarness.h"

#include "dsp/DspLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>

namespace tarn::test {

EffectHarness::EffectHarness(std::unique_ptr<Machine> machine, int bpm)
    : machine_(std::move(machine)) {
    if (DspSampleRate() != kRate) {
        EXPECT_EQ(InitializeDspLibrary(kRate), 1);
    }
    Send(kMsgSetSampleRate, static_cast<std::int32_t>(kRate));
    SetTempo(bpm);
    EXPECT_EQ(Send(kMsgInit), 1);
}

void EffectHarness::SetTempo(int bpm) {
    Send(kMsgSetBpm, bpm);
    Send(kMsgUpdateTempo);
}

void EffectHarness::Set(std::int32_t index, double value, double glideBeats, double endValue) {
    EventRecord event;
    event.group = kGroupMachine;
    event.index = static_cast<std::int16_t>(index);
    event.value = value;
    event.endValue = glideBeats > 0.0 ? endValue : value;
    event.glideLength = glideBeats;
    pending_.push_back(event);
}

void EffectHarness::SetAt(int offset, std::int32_t index, double value) {
    Set(index, value);
    pending_.back().offset = offset;
    pending_.back().exactOffset = offset;
}

std::string EffectHarness::Text(std::int32_t index, double value) {
    std::array<char, 256> text{};
    EXPECT_EQ(Send(kMsgFormatValue, index, &value, text.data()), 1);
    return text.data();
}

EffectHarness::Stereo EffectHarness::Process(std::span<const double> left,
                                             std::span<const double> right) {
    const int frames = static_cast<int>(std::max(left.size(), right.size()));
    Stereo out;
    std::array<std::array<double, kMaxChunkFrames>, 2> in{};
    std::array<std::array<double, kMaxChunkFrames>, 2> result{};
    std::array<ChannelBufferRecord, 2> inRecords{
        {{in[0].data(), !left.empty()}, {in[1].data(), !right.empty()}}};
    std::array<ChannelBufferRecord, 2> outRecords{{{result[0].data(), 1}, {result[1].data(), 1}}};
    std::array<ChannelBufferRecord*, 2> inputs{&inRecords[0], &inRecords[1]};
    std::array<ChannelBufferRecord*, 2> outputs{&outRecords[0], &outRecords[1]};
    std::vector<EventRecord*> events;
    for (EventRecord& event : pending_) {
        events.push_back(&event);
    }
    int done = 0;
    do {
        const int chunk = std::min(frames - done, kMaxChunkFrames);
        // A shorter input is followed by silence.
        const auto at = [](std::span<const double> input, int frame) {
            return frame < static_cast<int>(input.size()) ? input[frame] : 0.0;
        };
        for (int i = 0; i < chunk; ++i) {
            in[0][i] = at(left, done + i);
            in[1][i] = at(right, done + i);
        }
        WorkRecord record;
        record.inputs = inputs.data();
        record.outputs = outputs.data();
        record.frameCount = chunk;
        record.events = done == 0 ? events.data() : nullptr;
        record.eventCount = done == 0 ? static_cast<std::int32_t>(events.size()) : 0;
        EXPECT_EQ(Send(kMsgWork, 0, &record), 1);
        out.left.insert(out.left.end(), result[0].begin(), result[0].begin() + chunk);
        out.right.insert(out.right.end(), result[1].begin(), result[1].begin() + chunk);
        done += chunk;
    } while (done < frames);
    pending_.clear();
    return out;
}

std::int32_t EffectHarness::Send(std::int32_t type, std::int32_t value, void* pointer,
                                 void* extra) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    message.extra = extra;
    return machine_->HandleMessage(&message);
}

std::vector<double> Impulse(int frames, int at) {
    std::vector<double> samples(frames, 0.0);
    samples[at] = 1.0;
    return samples;
}

std::vector<double> Sine(double frequency, int frames) {
    std::vector<double> samples(frames);
    for (int i = 0; i < frames; ++i) {
        samples[i] = std::sin(2.0 * std::numbers::pi * frequency * i / EffectHarness::kRate);
    }
    return samples;
}

std::vector<double> Noise(int frames, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> samples(frames);
    for (double& s : samples) {
        s = uniform(generator);
    }
    return samples;
}

double SineGainDb(std::span<const double> in, std::span<const double> out) {
    const std::size_t half = in.size() / 2;
    return 20.0 * std::log10(Rms(out.subspan(half)) / Rms(in.subspan(half)));
}

} // namespace tarn::test
