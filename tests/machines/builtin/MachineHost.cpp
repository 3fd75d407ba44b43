#include "MachineHost.h"

#include "dsp/DspLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace tarn::test {

MachineHost::MachineHost(Machine& machine, int bpm, HostLink* link) : machine_(machine) {
    // Start-up builds the tables before any machine exists; a test binary
    // does it on first use.
    if (DspSampleRate() != kRate) {
        EXPECT_EQ(InitializeDspLibrary(kRate), 1);
    }
    if (link != nullptr) {
        EXPECT_EQ(Send(kMsgAttachHost, 0, link), 1);
        EXPECT_EQ(Send(kMsgDescribe), 1);
    }
    Send(kMsgSetSampleRate, static_cast<std::int32_t>(kRate));
    SetTempo(bpm);
    EXPECT_EQ(Send(kMsgInit), 1);
}

std::int32_t MachineHost::Send(std::int32_t type, std::int32_t value, void* pointer, void* extra) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    message.extra = extra;
    return machine_.HandleMessage(&message);
}

void MachineHost::SetTempo(int bpm) {
    Send(kMsgSetBpm, bpm);
    Send(kMsgUpdateTempo);
}

EventRecord& MachineHost::Queue(std::int32_t index, double value, int offset) {
    EventRecord& event = pending_.emplace_back();
    event.group = kGroupMachine;
    event.index = static_cast<std::int16_t>(index);
    event.offset = offset;
    event.exactOffset = offset;
    event.value = value;
    event.endValue = value;
    return event;
}

EventRecord& MachineHost::QueueNote(std::int32_t noteIndex, double note, double lengthBeats,
                                    double velocity, int offset) {
    EventRecord& event = Queue(noteIndex, note, offset);
    event.noteLength = lengthBeats;
    event.velocity = velocity;
    return event;
}

MachineHost::Stereo MachineHost::Run(int frames) {
    return Run(frames, Input{}, Input{});
}

MachineHost::Stereo MachineHost::Run(int frames, Input left, Input right) {
    std::array<Input, 2> sources{left, right};
    std::array<std::array<double, kMaxChunkFrames>, 2> in{};
    std::array<std::array<double, kMaxChunkFrames>, 2> out{};
    std::array<ChannelBufferRecord, 2> inRecords{};
    std::array<ChannelBufferRecord, 2> outRecords{};
    std::array<ChannelBufferRecord*, 2> inputs{};
    std::array<ChannelBufferRecord*, 2> outputs{};
    for (int channel = 0; channel < 2; ++channel) {
        inRecords[channel] = {in[channel].data(), sources[channel].connected ? 1 : 0};
        outRecords[channel] = {out[channel].data(), 1};
        inputs[channel] = &inRecords[channel];
        outputs[channel] = &outRecords[channel];
    }
    std::vector<EventRecord*> events;
    for (EventRecord& event : pending_) {
        events.push_back(&event);
    }
    std::stable_sort(events.begin(), events.end(), [](const EventRecord* a, const EventRecord* b) {
        return a->offset < b->offset;
    });
    Stereo result;
    int done = 0;
    do {
        const int chunk = std::min(frames - done, kMaxChunkFrames);
        for (int channel = 0; channel < 2; ++channel) {
            const std::span<const double> samples = sources[channel].samples;
            for (int i = 0; i < chunk; ++i) {
                const auto at = static_cast<std::size_t>(done + i);
                in[channel][i] = at < samples.size() ? samples[at] : 0.0;
            }
            out[channel].fill(kUnwritten);
        }
        WorkRecord record;
        record.inputs = inputs.data();
        record.outputs = outputs.data();
        record.frameCount = chunk;
        record.events = done == 0 ? events.data() : nullptr;
        record.eventCount = done == 0 ? static_cast<std::int32_t>(events.size()) : 0;
        EXPECT_EQ(Send(kMsgWork, 0, &record), 1);
        result.left.insert(result.left.end(), out[0].begin(), out[0].begin() + chunk);
        result.right.insert(result.right.end(), out[1].begin(), out[1].begin() + chunk);
        done += chunk;
    } while (done < frames);
    pending_.clear();
    return result;
}

} // namespace tarn::test
