#include "audio/LiveNote.h"
#include "audio/KeyboardNotes.h"
#include "engine/CurrentProject.h"
#include "engine/Project.h"
#include "support/SineVoice.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace tarn {
namespace {

using test::SineVoice;

MidiMessage Message(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    MidiMessage message;
    message.status = status;
    message.data1 = data1;
    message.data2 = data2;
    return message;
}

// Voices at ids 0..count-1, all with a note parameter.
class LiveNotes : public testing::Test {
protected:
    std::unique_ptr<Project> MakeProject(int count) {
        auto project = std::make_unique<Project>([this](std::string_view name) {
            return std::optional<MachineHandle>(
                MachineHandle(std::make_unique<SineVoice>(log_), std::string(name)));
        });
        for (int id = 0; id < count; ++id) {
            EXPECT_EQ(project->CreateNode("Voice"), id);
        }
        return project;
    }

    // (value, velocity, offset) of every event queued on the Node.
    static std::vector<std::tuple<double, double, int>> Queued(Project& project, int id) {
        std::vector<std::tuple<double, double, int>> events;
        for (const EventRecord& event : project.GetNode(id)->LiveEvents().Events()) {
            EXPECT_EQ(event.group, kGroupMachine);
            EXPECT_EQ(event.track, 0);
            EXPECT_EQ(event.index, SineVoice::kNoteParameter);
            events.emplace_back(event.value, event.velocity, event.offset);
        }
        return events;
    }

    test::SineVoiceLog log_;
};

TEST_F(LiveNotes, MidiNotesDecodeWithNoteOffAndVelocityZeroEndingTheNote) {
    const std::optional<LiveNote> on = DecodeMidiNote(Message(0x93, 48, 100));
    ASSERT_TRUE(on);
    EXPECT_EQ(on->value, 36);
    EXPECT_EQ(on->gate, 1.0);
    for (const MidiMessage& end : {Message(0x90, 60, 0), Message(0x8F, 60, 64)}) {
        const std::optional<LiveNote> off = DecodeMidiNote(end);
        ASSERT_TRUE(off);
        EXPECT_EQ(off->value, 48);
        EXPECT_EQ(off->gate, 0.0);
    }
    // Controllers, pitch bend, aftertouch and system messages play nothing.
    for (std::uint8_t status : {0xB0, 0xE0, 0xA0, 0xC0, 0xF0, 0xF8}) {
        EXPECT_FALSE(DecodeMidiNote(Message(status, 48, 100))) << int(status);
    }
}

TEST_F(LiveNotes, EveryLiveNodeTakesTheNoteInIdOrderWithLowNotesClamped) {
    std::unique_ptr<Project> project = MakeProject(4);
    // Without a live Node nothing is queued anywhere.
    EXPECT_EQ(SendLiveNote(*project, LiveNote{36, 1.0}), 0);
    for (int id = 0; id < 4; ++id) {
        EXPECT_TRUE(Queued(*project, id).empty());
    }

    project->GetNode(3)->SetLiveInput(true);
    project->GetNode(1)->SetLiveInput(true);
    EXPECT_EQ(SendLiveNote(*project, *DecodeMidiNote(Message(0x90, 60, 127)), 17), 2);
    // Note 5 lies below the note range; it plays the lowest note, and its
    // release ends that note.
    EXPECT_EQ(SendLiveNote(*project, *DecodeMidiNote(Message(0x90, 5, 90))), 2);
    EXPECT_EQ(SendLiveNote(*project, *DecodeMidiNote(Message(0x80, 5, 0))), 2);
    using Events = std::vector<std::tuple<double, double, int>>;
    const Events expected = {{48.0, 1.0, 17}, {0.0, 1.0, 0}, {0.0, 0.0, 0}};
    EXPECT_EQ(Queued(*project, 1), expected);
    EXPECT_EQ(Queued(*project, 3), expected);
    EXPECT_TRUE(Queued(*project, 0).empty());
    EXPECT_TRUE(Queued(*project, 2).empty());

    // A full queue misses notes instead of growing on the audio thread.
    Node& node = *project->GetNode(1);
    while (node.LiveEvents().HasRoom()) {
        SendLiveNote(*project, LiveNote{40, 1.0});
    }
    const std::size_t held = node.LiveEvents().Events().size();
    project->GetNode(3)->LiveEvents().Clear();
    EXPECT_EQ(SendLiveNote(*project, LiveNote{41, 1.0}), 1); // only Node 3 has room
    EXPECT_EQ(node.LiveEvents().Events().size(), held);
}

TEST_F(LiveNotes, ComputerKeysPlayTheMapAndIgnoreAutoRepeat) {
    EXPECT_EQ(KeyboardNotes::Offset('Z'), 0);
    EXPECT_EQ(KeyboardNotes::Offset('M'), 11);
    EXPECT_EQ(KeyboardNotes::Offset('Q'), 12);
    EXPECT_EQ(KeyboardNotes::Offset('2'), 13);
    EXPECT_EQ(KeyboardNotes::Offset('P'), 28);
    for (int key :
         {int{'A'}, int{'L'}, int{'1'}, int{'4'}, int{'8'}, int{'z'}, int{' '}, 0, -1, 0x15A}) {
        EXPECT_FALSE(KeyboardNotes::Offset(key)) << key;
    }

    CurrentProject current;
    std::unique_ptr<Project> made = MakeProject(2);
    made->GetNode(0)->SetLiveInput(true);
    current.Set(std::move(made));
    Project& project = *current.Get();
    KeyboardNotes keys(current);
    EXPECT_TRUE(keys.KeyDown('Z', false));
    EXPECT_TRUE(keys.KeyDown('Z', true));
    EXPECT_TRUE(keys.KeyDown('Z', true));
    EXPECT_TRUE(keys.KeyUp('Z'));
    EXPECT_FALSE(keys.KeyDown('A', false));
    EXPECT_FALSE(keys.KeyUp('A'));
    // Key Z and MIDI note 48 give the same note value.
    SendLiveNote(project, *DecodeMidiNote(Message(0x90, 48, 1)));
    using Events = std::vector<std::tuple<double, double, int>>;
    EXPECT_EQ(Queued(project, 0), (Events{{36.0, 1.0, 0}, {36.0, 0.0, 0}, {36.0, 1.0, 0}}));
    EXPECT_TRUE(Queued(project, 1).empty());
}

} // namespace
} // namespace tarn
