#include "SynthHarness.h"

#include "AnalogBassHarness.h"

#include "dsp/DspLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace tarn::test {

SynthHarness::SynthHarness(SubtractiveSynth& synth, int bpm) : synth_(synth) {
    if (DspSampleRate() != kRate) {
        EXPECT_EQ(InitializeDspLibrary(kRate), 1);
    }
    Send(kMsgSetSampleRate, static_cast<std::int32_t>(kRate));
    Send(kMsgSetBpm, bpm);
    Send(kMsgUpdateTempo);
    EXPECT_EQ(Send(kMsgInit), 1);
}

void SynthHarness::Set(std::int32_t index, double value, int offset) {
    EventRecord event;
    event.group = kGroupMachine;
    event.index = static_cast<std::int16_t>(index);
    event.offset = offset;
    event.exactOffset = offset;
    event.value = value;
    event.endValue = value;
    pending_.push_back(event);
}

void SynthHarness::Note(double note, double lengthBeats, double velocity, int offset) {
    Set(SubtractiveSynth::kNote, note, offset);
    pending_.back().noteLength = lengthBeats;
    pending_.back().velocity = velocity;
}

void SynthHarness::PlainSine() {
    Set(Osc(0, SubtractiveSynth::kEnabled), 1.0);
    Set(Osc(0, SubtractiveSynth::kWaveform), 2.0);
    Set(SubtractiveSynth::kAmpSustain, 1.0);
}

SynthHarness::Stereo SynthHarness::Render(int frames) {
    Stereo out;
    std::array<double, kMaxChunkFrames> left{};
    std::array<double, kMaxChunkFrames> right{};
    ChannelBufferRecord leftRecord{left.data(), 0};
    ChannelBufferRecord rightRecord{right.data(), 0};
    std::array<ChannelBufferRecord*, 2> outputs{&leftRecord, &rightRecord};
    std::vector<EventRecord*> events;
    for (EventRecord& event : pending_) {
        events.push_back(&event);
    }
    std::stable_sort(events.begin(), events.end(), [](const EventRecord* a, const EventRecord* b) {
        return a->offset < b->offset;
    });
    int done = 0;
    do {
        const int chunk = std::min(frames - done, kMaxChunkFrames);
        WorkRecord record;
        record.outputs = outputs.data();
        record.frameCount = chunk;
        record.events = done == 0 ? events.data() : nullptr;
        record.eventCount = done == 0 ? static_cast<std::int32_t>(events.size()) : 0;
        EXPECT_EQ(Send(kMsgWork, 0, &record), 1);
        out.left.insert(out.left.end(), left.begin(), left.begin() + chunk);
        out.right.insert(out.right.end(), right.begin(), right.begin() + chunk);
        done += chunk;
    } while (done < frames);
    pending_.clear();
    return out;
}

std::int32_t SynthHarness::Send(std::int32_t type, std::int32_t value, void* pointer) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    return synth_.HandleMessage(&message);
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
