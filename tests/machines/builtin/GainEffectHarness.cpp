#include "GainEffectHarness.h"

#include "dsp/DspLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarn::test {

GainEffectHarness::GainEffectHarness(std::unique_ptr<Machine> machine)
    : machine_(std::move(machine)) {
    if (DspSampleRate() != kRate) {
        EXPECT_EQ(InitializeDspLibrary(kRate), 1);
    }
    Send(kMsgSetSampleRate, static_cast<std::int32_t>(kRate));
    EXPECT_EQ(Send(kMsgInit), 1);
}

void GainEffectHarness::Set(std::int32_t index, double value, int offset) {
    EventRecord event;
    event.group = kGroupMachine;
    event.index = static_cast<std::int16_t>(index);
    event.offset = offset;
    event.exactOffset = offset;
    event.value = value;
    event.endValue = value;
    pending_.push_back(event);
}

std::array<std::vector<double>, 2> GainEffectHarness::Process(const std::vector<double>& left,
                                                              const std::vector<double>& right,
                                                              bool leftConnected,
                                                              bool rightConnected) {
    std::array<std::array<double, kMaxChunkFrames>, 2> in{};
    std::array<std::array<double, kMaxChunkFrames>, 2> out{};
    std::array<ChannelBufferRecord, 2> inRecords{
        ChannelBufferRecord{in[0].data(), leftConnected ? 1 : 0},
        ChannelBufferRecord{in[1].data(), rightConnected ? 1 : 0}};
    std::array<ChannelBufferRecord, 2> outRecords{ChannelBufferRecord{out[0].data(), 1},
                                                  ChannelBufferRecord{out[1].data(), 1}};
    std::array<ChannelBufferRecord*, 2> inputs{&inRecords[0], &inRecords[1]};
    std::array<ChannelBufferRecord*, 2> outputs{&outRecords[0], &outRecords[1]};
    std::vector<EventRecord*> events;
    for (EventRecord& event : pending_) {
        events.push_back(&event);
    }
    std::array<std::vector<double>, 2> result;
    const int frames = static_cast<int>(left.size());
    int done = 0;
    do {
        const int chunk = std::min(frames - done, kMaxChunkFrames);
        std::copy_n(left.begin() + done, chunk, in[0].begin());
        std::copy_n(right.begin() + done, chunk, in[1].begin());
        WorkRecord record;
        record.inputs = inputs.data();
        record.outputs = outputs.data();
        record.frameCount = chunk;
        record.events = done == 0 ? events.data() : nullptr;
        record.eventCount = done == 0 ? static_cast<std::int32_t>(events.size()) : 0;
        EXPECT_EQ(Send(kMsgWork, 0, &record), 1);
        for (int channel = 0; channel < 2; ++channel) {
            result[channel].insert(result[channel].end(), out[channel].begin(),
                                   out[channel].begin() + chunk);
        }
        done += chunk;
    } while (done < frames);
    pending_.clear();
    return result;
}

std::int32_t GainEffectHarness::Send(std::int32_t type, std::int32_t value, void* pointer,
                                     void* extra) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    message.extra = extra;
    return machine_->HandleMessage(&message);
}

} // namespace tarn::test
