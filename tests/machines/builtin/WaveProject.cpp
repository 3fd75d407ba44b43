#include "WaveProject.h"

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
    MachineHost::BuildDspTables();
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
    const MachineHost::Input both{input, !input.empty()};
    return MachineHost::Run(node().MachineInstance(), pending_, frames, both, both);
}

std::span<const double> Frames(const std::vector<double>& samples, int from, int to) {
    return std::span<const double>(samples).subspan(static_cast<std::size_t>(from),
                                                    static_cast<std::size_t>(to - from));
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
