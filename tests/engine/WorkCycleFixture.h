#pragma once

#include "engine/CoreEngine.h"
#include "engine/CurrentProject.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "engine/ScopedGlobalTempo.h"
#include "support/RenderMachine.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace tarn::test {

// An engine rendering a project that holds a Master stand-in (kind 1,
// stereo pass-through, BPM at index 0) at 44 100 Hz and 60 BPM, into a
// driver buffer whose samples start at 7.0. Without record, the Master
// keeps no log (and so allocates nothing while it works).
struct WorkCycleFixture : ::testing::Test {
    explicit WorkCycleFixture(bool record = true) {
        masterLog = factory.Define("Master", {.kind = kKindMaster,
                                              .inputs = 2,
                                              .sound = Sound::kPassThrough,
                                              .tempoParameter = true,
                                              .record = record});
        auto made = std::make_unique<Project>(factory.Creator(), engine.Tempo());
        project = made.get();
        EXPECT_EQ(project->CreateNode("Master"), 0);
        current.Set(std::move(made));
        Resize(800);
    }

    // Makes a Node of a machine kind of its own; its log lands in logs[id].
    int Add(RenderSetup setup) {
        const std::string name = "Machine " + std::to_string(++kinds_);
        auto log = factory.Define(name, setup);
        const int id = project->CreateNode(name);
        logs[id] = log;
        return id;
    }

    // A generator of a constant level, connected to destination.
    int AddGenerator(double level, int destination = Project::kMasterId) {
        const int id = Add({.level = level});
        EXPECT_EQ(project->ConnectMachines(id, destination), 1);
        return id;
    }

    void Resize(int frames) {
        for (std::vector<double>& channel : samples) {
            channel.assign(static_cast<std::size_t>(frames), 7.0);
        }
        channels = {samples[0].data(), samples[1].data()};
        buffer.outputs = channels.data();
        buffer.frameCount = frames;
    }

    int Render() { return engine.WorkCycle(buffer); }

    // Renders total frames in buffers of 800 and returns the left channel.
    std::vector<double> RenderFrames(int total) {
        std::vector<double> left;
        while (static_cast<int>(left.size()) < total) {
            Render();
            left.insert(left.end(), samples[0].begin(), samples[0].end());
        }
        left.resize(static_cast<std::size_t>(total));
        return left;
    }

    // A pattern of length beats on one sequence track of the Node, placed
    // at beat 0 (transposed by transpose).
    Pattern& PlacePattern(int id, int length, double transpose = 0.0) {
        Node& node = *project->GetNode(id);
        const int number = CreatePattern(node, -1, length, 4, 0);
        const int track = node.SequenceTracks().Count();
        node.SequenceTracks().Create(track);
        node.SequenceTracks().Get(track)->PlacePattern(0, number);
        node.SequenceTracks().Get(track)->TransposeEntry(0, transpose);
        return *node.Patterns().Get(number);
    }

    // Runs edit under the project lock, as the windows change the project.
    template <typename Edit> void Locked(Edit edit) {
        ProjectLock hold(current);
        edit();
    }

    ScopedGlobalTempo globalTempo;
    RenderFactory factory;
    CurrentProject current;
    CoreEngine engine{current};
    Project* project = nullptr;
    std::shared_ptr<RenderLog> masterLog;
    std::map<int, std::shared_ptr<RenderLog>> logs;
    std::array<std::vector<double>, 2> samples;
    std::array<double*, 2> channels{};
    AudioBuffer buffer;

private:
    int kinds_ = 0;
};

// The frame of the whole render at which a received event was played.
inline int FrameOf(const RenderLog& log, const ReceivedEvent& received) {
    int frame = received.event.offset;
    for (int chunk = 0; chunk < received.chunk; ++chunk) {
        frame += log.frameCounts[static_cast<std::size_t>(chunk)];
    }
    return frame;
}

} // namespace tarn::test
