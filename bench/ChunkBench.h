#pragma once

// What the machine benchmarks share: the 256-frame chunk they render, how
// they set a machine up and give it its settings, and how they report it.
#include "dsp/DspLibrary.h"
#include "machines/framework/Machine.h"
#include "tarn/MachineAbi.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace tarn::bench {

inline constexpr int kChunk = kMaxChunkFrames;

// "per_sample" is the time of one frame; "realtime" is rendered seconds per
// second of CPU time.
inline void ReportChunk(benchmark::State& state) {
    state.counters["per_sample"] = benchmark::Counter(
        kChunk, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["realtime"] =
        benchmark::Counter(kChunk / kDspSampleRate, benchmark::Counter::kIsIterationInvariantRate);
}

// Two output channels of one chunk, as a WorkRecord points at them.
struct StereoChunk {
    std::array<double, kChunk> left{};
    std::array<double, kChunk> right{};
    ChannelBufferRecord leftRecord{left.data(), 0};
    ChannelBufferRecord rightRecord{right.data(), 0};
    std::array<ChannelBufferRecord*, 2> outputs{&leftRecord, &rightRecord};
};

inline std::int32_t Send(Machine& machine, std::int32_t type, std::int32_t value = 0,
                         void* pointer = nullptr) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    return machine.HandleMessage(&message);
}

// A steady setting of one machine parameter (a note when index is the
// note parameter, at full velocity).
inline EventRecord Event(std::int32_t index, double value) {
    EventRecord event;
    event.group = kGroupMachine;
    event.index = static_cast<std::int16_t>(index);
    event.value = value;
    event.endValue = value;
    event.velocity = 1.0;
    return event;
}

// Sets the machine up as a Node does, at 120 BPM.
inline void SetUp(Machine& machine) {
    if (DspSampleRate() == 0.0) {
        InitializeDspLibrary(kDspSampleRate);
    }
    Send(machine, kMsgSetSampleRate, static_cast<std::int32_t>(kDspSampleRate));
    Send(machine, kMsgSetBpm, 120);
    Send(machine, kMsgUpdateTempo);
    Send(machine, kMsgInit);
}

// Works one chunk with events (the settings and notes the benchmark times),
// then leaves record without events, ready for the timed chunks.
inline void WorkSettings(Machine& machine, WorkRecord& record, std::vector<EventRecord>& events) {
    std::vector<EventRecord*> pointers;
    for (EventRecord& event : events) {
        pointers.push_back(&event);
    }
    record.frameCount = kChunk;
    record.events = pointers.data();
    record.eventCount = static_cast<std::int32_t>(pointers.size());
    Send(machine, kMsgWork, 0, &record);
    record.events = nullptr;
    record.eventCount = 0;
}

} // namespace tarn::bench
