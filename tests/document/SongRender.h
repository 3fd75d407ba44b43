#pragma once

#include "engine/CoreEngine.h"
#include "engine/CurrentProject.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "engine/Wave.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace tarn::test {

// A stereo wave of two sines with a loop at loopedSlot, and a mono one at
// half the rate at slot 4.
inline void PutWaves(Project& project, int loopedSlot = 1) {
    auto stereo = std::make_unique<Sound>(SoundFormat{3000, 2, 32, 44100, 1});
    auto mono = std::make_unique<Sound>(SoundFormat{2000, 1, 32, 22050, 0});
    for (int i = 0; i < 3000; ++i) {
        stereo->Samples(0)[i] = static_cast<float>(0.5 * std::sin(i * 0.05));
        stereo->Samples(1)[i] = static_cast<float>(0.3 * std::sin(i * 0.11));
    }
    for (int i = 0; i < 2000; ++i) {
        mono->Samples(0)[i] = static_cast<float>(0.4 * std::sin(i * 0.2 + std::sin(i * 0.01)));
    }
    stereo->LoopPoints()[0] = {1, 0, 1200.5, 2700.0};
    auto looped = std::make_unique<Wave>();
    looped->Set(std::move(stereo), "looped");
    project.Waves().Place(loopedSlot, std::move(looped));
    auto plain = std::make_unique<Wave>();
    plain->Set(std::move(mono), "plain");
    project.Waves().Place(4, std::move(plain));
}

// Plays the song from its start through the engine's work cycle for at
// least frames frames, in buffers of 800: left then right of each buffer.
inline std::vector<double> RenderSong(std::unique_ptr<Project> project, int frames) {
    CurrentProject current;
    CoreEngine engine(current);
    project->Transport().PlaySong();
    current.Set(std::move(project));
    std::vector<double> left(800);
    std::vector<double> right(800);
    std::array<double*, 2> channels{left.data(), right.data()};
    AudioBuffer buffer;
    buffer.outputs = channels.data();
    buffer.frameCount = 800;
    std::vector<double> song;
    while (static_cast<int>(song.size()) < 2 * frames) {
        EXPECT_EQ(engine.WorkCycle(buffer), 1);
        song.insert(song.end(), left.begin(), left.end());
        song.insert(song.end(), right.begin(), right.end());
    }
    return song;
}

// A machine event of a pattern row, the beat it goes to carried in the
// editor mark until AddClampedEvent places it.
inline PatternEventRecord Event(int beat, double time, std::int32_t index, double value,
                                int track = 0) {
    PatternEventRecord record;
    record.event.group = kGroupMachine;
    record.event.index = static_cast<std::int16_t>(index);
    record.event.track = static_cast<std::int16_t>(track);
    record.event.time = time;
    record.event.value = value;
    record.event.noteLength = 0.75;
    record.event.velocity = 1.0;
    record.editorMark = beat;
    return record;
}

} // namespace tarn::test
