// The VST adapter around real plug-ins, per 256-frame chunk: the whole
// Work (events to MIDI, doubles to floats and back, the plug-in's process)
// next to the plug-in's own process call on float blocks, with the same
// notes sent straight to it. The difference is the adapter's overhead.
// Skipped when the plug-in is not installed.
#include "machines/framework/MessageSend.h"
#include "machines/framework/vst/VstAdapter.h"
#include "machines/framework/vst/VstModule.h"

#include "ChunkBench.h"

#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <vector>

namespace tarn {
namespace {

using bench::kChunk;

constexpr const char* kAmsynth = "/usr/lib/vst/amsynth_vst.so";
constexpr const char* kDragonflyRoom = "/usr/lib/lxvst/DragonflyRoomReverb-vst.so";
// A chord of notes a beat long, started every this many chunks.
constexpr int kChunksPerChord = 16;
constexpr std::array kChord{57, 60, 64, 67};

std::intptr_t QuietHost(vst::Effect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*,
                        float) {
    return opcode == vst::kHostVersion ? 2400 : 0;
}

// Stereo input of a held level and room for any output.
struct Channels {
    std::array<std::array<double, kChunk>, 4> samples{};
    std::array<ChannelBufferRecord, 4> records{};
    std::array<ChannelBufferRecord*, 4> pointers{};
    Channels() {
        for (std::size_t c = 0; c < records.size(); ++c) {
            samples[c].fill(c < 2 ? 0.25 : 0.0);
            records[c] = {samples[c].data(), 1};
            pointers[c] = &records[c];
        }
    }
};

void AdapterWork(benchmark::State& state, const char* library) {
    if (!std::filesystem::exists(library)) {
        state.SkipWithError("plug-in not installed");
        return;
    }
    VstAdapter adapter;
    if (adapter.LoadPlugin(library) == 0) {
        state.SkipWithError("plug-in refused");
        return;
    }
    SendMessage(adapter, kMsgDescribe);
    SendMessage(adapter, kMsgSetSampleRate, 44100);
    SendMessage(adapter, kMsgSetBpm, 120);
    SendMessage(adapter, kMsgUpdateTempo);
    SendMessage(adapter, kMsgInit);
    Channels channels;
    std::array<EventRecord, kChord.size()> notes{};
    std::array<EventRecord*, kChord.size()> events{};
    for (std::size_t i = 0; i < notes.size(); ++i) {
        notes[i].group = kGroupMachine;
        notes[i].index = static_cast<std::int16_t>(adapter.NoteParameter());
        notes[i].value = kChord[i];
        notes[i].offset = static_cast<std::int32_t>(i * 50);
        notes[i].noteLength = 1.0;
        notes[i].velocity = 0.8;
        events[i] = &notes[i];
    }
    WorkRecord record;
    record.inputs = channels.pointers.data();
    record.outputs = channels.pointers.data() + 2;
    record.frameCount = kChunk;
    int chunk = 0;
    for (auto _ : state) {
        const bool chord = chunk++ % kChunksPerChord == 0;
        record.events = chord ? events.data() : nullptr;
        record.eventCount = chord ? static_cast<std::int32_t>(events.size()) : 0;
        adapter.Work(record);
        benchmark::DoNotOptimize(channels.samples[2][0]);
    }
    bench::ReportChunk(state);
}

// The plug-in alone: its effect set up as the adapter does, the same
// chord as MIDI events, and process on float blocks.
void PluginProcess(benchmark::State& state, const char* library) {
    if (!std::filesystem::exists(library)) {
        state.SkipWithError("plug-in not installed");
        return;
    }
    VstModule module;
    if (!module.Open(library, &QuietHost).empty()) {
        state.SkipWithError("plug-in refused");
        return;
    }
    vst::Effect* effect = module.Effect();
    const auto dispatch = [effect](std::int32_t opcode, std::intptr_t value = 0,
                                   void* pointer = nullptr, float opt = 0.0F) {
        return effect->dispatcher(effect, opcode, 0, value, pointer, opt);
    };
    dispatch(vst::kEffSetSampleRate, 0, nullptr, 44100.0F);
    dispatch(vst::kEffSetBlockSize, kChunk);
    dispatch(vst::kEffOpen);
    dispatch(vst::kEffMainsChanged, 1);
    std::vector<std::array<float, kChunk>> blocks(
        static_cast<std::size_t>(effect->numInputs + effect->numOutputs));
    std::vector<float*> pointers;
    for (std::size_t c = 0; c < blocks.size(); ++c) {
        blocks[c].fill(c < static_cast<std::size_t>(effect->numInputs) ? 0.25F : 0.0F);
        pointers.push_back(blocks[c].data());
    }
    std::array<vst::MidiEvent, kChord.size()> midi{};
    vst::Events<kChord.size()> chord;
    vst::Events<kChord.size()> none;
    for (std::size_t i = 0; i < midi.size(); ++i) {
        midi[i].deltaFrames = static_cast<std::int32_t>(i * 50);
        midi[i].midiData[0] = 0x90;
        midi[i].midiData[1] = static_cast<std::uint8_t>(kChord[i]);
        midi[i].midiData[2] = 100;
        chord.events[i] = &midi[i];
    }
    chord.numEvents = static_cast<std::int32_t>(midi.size());
    int chunk = 0;
    for (auto _ : state) {
        const bool starts = chunk++ % kChunksPerChord == 0;
        dispatch(vst::kEffProcessEvents, 0, starts ? &chord : &none);
        effect->processReplacing(effect, pointers.data(), pointers.data() + effect->numInputs,
                                 kChunk);
        benchmark::DoNotOptimize(blocks.back()[0]);
    }
    dispatch(vst::kEffMainsChanged, 0);
    dispatch(vst::kEffClose);
    bench::ReportChunk(state);
}

void BM_VstAdapterWorkAmsynth(benchmark::State& state) {
    AdapterWork(state, kAmsynth);
}
void BM_VstPluginProcessAmsynth(benchmark::State& state) {
    PluginProcess(state, kAmsynth);
}
void BM_VstAdapterWorkDragonflyRoom(benchmark::State& state) {
    AdapterWork(state, kDragonflyRoom);
}
void BM_VstPluginProcessDragonflyRoom(benchmark::State& state) {
    PluginProcess(state, kDragonflyRoom);
}

BENCHMARK(BM_VstAdapterWorkAmsynth);
BENCHMARK(BM_VstPluginProcessAmsynth);
BENCHMARK(BM_VstAdapterWorkDragonflyRoom);
BENCHMARK(BM_VstPluginProcessDragonflyRoom);

} // namespace
} // namespace tarn
