#include "WaveProject.h"

#include "dsp/DspLibrary.h"
#include "engine/Wave.h"
#include "machines/builtin/BuiltinMachines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace tarn::test {

WaveProject::WaveProject(const char* machineName, double bpm)
    : factory_(BuiltinMachines()), bpm_(bpm) {
    // Start-up builds the tables before any machine exists; a test binary
    // does it on first use.
    if (DspSampleRate() != kRate) {
        EXPECT_EQ(InitializeDspLibrary(kRate), 1);
    }
    TempoRecord tempo;
    tempo.SetSampleRate(kRate);
    tempo.SetBpm(bpm);
    project_ = std::make_unique<Project>(factory_, tempo);
    id_ = project_->CreateNode(machineName);
    EXPECT_GE(id_, 0) << machineName;
}

void WaveProject::PutWave(int slot, const std::vector<std::vector<float>>& channels, int sampleRate,
                          std::optional<LoopPoint> loop) {
    const int frames = channels.empty() ? 0 : static_cast<int>(channels[0].size());
    auto sound = std::make_unique<Sound>(SoundFormat{frames, static_cast<int>(channels.size()), 32,
                                                     sampleRate, loop.has_value() ? 1 : 0});
    for (std::size_t c = 0; c < channels.size(); ++c) {
        std::ranges::copy(channels[c], sound->Samples(static_cast<int>(c)).begin());
    }
    if (loop.has_value()) {
        sound->LoopPoints()[0] = *loop;
    }
    auto wave = std::make_unique<Wave>();
    wave->Set(std::move(sound), "test");
    project_->Waves().Place(slot, std::move(wave));
}

void WaveProject::RemoveWave(int slot) {
    project_->Waves().Remove(slot);
}

void WaveProject::SetTracks(int count) {
    EXPECT_EQ(node().SetTrackCount(kGroupMachine, count), 1);
}

void WaveProject::Set(std::int32_t index, double value, int track, int offset) {
    EventRecord event;
    event.group = kGroupMachine;
    event.index = static_cast<std::int16_t>(index);
    event.track = static_cast<std::int16_t>(track);
    event.offset = offset;
    event.value = value;
    event.endValue = value;
    pending_.push_back(event);
}

void WaveProject::Note(double note, double lengthBeats, double velocity, int track, int offset) {
    Set(node().NoteParameter(), note, track, offset);
    pending_.back().noteLength = lengthBeats;
    pending_.back().velocity = velocity;
}

WaveProject::Stereo WaveProject::Render(int frames, std::span<const double> input) {
    Stereo out;
    std::stable_sort(
        pending_.begin(), pending_.end(),
        [](const EventRecord& a, const EventRecord& b) { return a.offset < b.offset; });
    std::vector<EventRecord*> events;
    for (EventRecord& event : pending_) {
        events.push_back(&event);
    }
    std::array<double, kMaxChunkFrames> left{};
    std::array<double, kMaxChunkFrames> right{};
    ChannelBufferRecord leftRecord{left.data(), 0};
    ChannelBufferRecord rightRecord{right.data(), 0};
    std::array<ChannelBufferRecord*, 2> outputs{&leftRecord, &rightRecord};
    // Each channel its own copy, in case a machine works in place.
    std::array<std::array<double, kMaxChunkFrames>, 2> in{};
    const std::int32_t connected = input.empty() ? 0 : 1;
    std::array<ChannelBufferRecord, 2> inRecords{
        {{in[0].data(), connected}, {in[1].data(), connected}}};
    std::array<ChannelBufferRecord*, 2> inputs{&inRecords[0], &inRecords[1]};
    for (int done = 0; done < frames;) {
        WorkRecord record;
        record.inputs = inputs.data();
        record.outputs = outputs.data();
        record.frameCount = std::min(frames - done, kMaxChunkFrames);
        record.events = events.data();
        record.eventCount = done == 0 ? static_cast<int>(events.size()) : 0;
        for (int frame = 0; frame < record.frameCount; ++frame) {
            const auto at = static_cast<std::size_t>(done + frame);
            in[0][static_cast<std::size_t>(frame)] = at < input.size() ? input[at] : 0.0;
            in[1][static_cast<std::size_t>(frame)] = in[0][static_cast<std::size_t>(frame)];
        }
        EXPECT_EQ(node().SendToMachine(kMsgWork, 0, &record), 1);
        out.left.insert(out.left.end(), left.begin(), left.begin() + record.frameCount);
        out.right.insert(out.right.end(), right.begin(), right.begin() + record.frameCount);
        done += record.frameCount;
    }
    pending_.clear();
    return out;
}

std::vector<float> SineWave(double hz, double rate, int count) {
    std::vector<float> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        samples[static_cast<std::size_t>(i)] =
            static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * hz * i / rate));
    }
    return samples;
}

std::vector<float> NoiseWave(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<float> samples(static_cast<std::size_t>(count));
    for (float& s : samples) {
        s = noise(random);
    }
    return samples;
}

} // namespace tarn::test
