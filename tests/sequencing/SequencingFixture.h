#pragma once

#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "support/RenderMachine.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarn::test {

// An event of one parameter and track at time within its beat.
inline PatternEventRecord MakeEvent(int group, int index, int track, double time, double value) {
    PatternEventRecord record;
    record.event.group = static_cast<std::int16_t>(group);
    record.event.index = static_cast<std::int16_t>(index);
    record.event.track = static_cast<std::int16_t>(track);
    record.event.time = time;
    record.event.value = value;
    return record;
}

// The values of one beat's playback list, in order.
inline std::vector<double> PlayedValues(const Pattern& pattern, int beat) {
    std::vector<double> values;
    for (const PatternEventRecord* record : pattern.BeatEvents(beat)) {
        values.push_back(record->event.value);
    }
    return values;
}

// A project with a Master stand-in and one note generator (id 1) that can
// take up to four tracks and has two inputs. Error lines are captured.
struct SequencingFixture : ::testing::Test {
    SequencingFixture() {
        factory.Define("Master", {.kind = kKindMaster,
                                  .inputs = 2,
                                  .sound = Sound::kPassThrough,
                                  .tempoParameter = true});
        factory.Define("Generator", {.inputs = 2, .maxTracks = 4, .sound = Sound::kNote});
        EXPECT_EQ(project.CreateNode("Master"), 0);
        EXPECT_EQ(project.CreateNode("Generator"), 1);
        node = project.GetNode(1);
    }

    PipeCapture errors{ErrorOut()};
    RenderFactory factory;
    Project project{factory.Creator()};
    Node* node = nullptr;
};

} // namespace tarn::test
