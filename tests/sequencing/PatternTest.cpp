#include "base/UserInteraction.h"
#include "sequencing/SequencingFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using test::MakeEvent;
using test::PlayedValues;
using Lines = std::vector<std::string>;

// The (beat, value, end value, glide length) of one parameter and track.
struct Linked {
    int beat;
    double value;
    double endValue;
    double glideLength;
    bool operator==(const Linked&) const = default;
};

std::vector<Linked> Links(const Pattern& pattern, int group, int track, int index) {
    std::vector<Linked> links;
    if (const Pattern::BeatLists* beats = pattern.Events(group, track, index)) {
        for (const auto& [beat, list] : *beats) {
            for (const auto& record : list) {
                const EventRecord& e = record->event;
                links.push_back({beat, e.value, e.endValue, e.glideLength});
            }
        }
    }
    return links;
}

TEST(Pattern, EventsKeepTimeAndAdditionOrderInBothStoresWithinThePattern) {
    Pattern pattern;
    pattern.Reset(4, 4, 0x00ffffff);
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, 0, 0.5, 10.0), 1), 1);
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, 0, 0.25, 20.0), 1), 1);
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, 0, 0.5, 30.0), 1), 1);
    // Another parameter at the same time shares the beat's playback list.
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 2, 0, 0.5, 40.0), 1), 1);

    EXPECT_EQ(PlayedValues(pattern, 1), (std::vector<double>{20.0, 10.0, 30.0, 40.0}));
    EXPECT_EQ(
        Links(pattern, 3, 0, 1),
        (std::vector<Linked>{{1, 20.0, 10.0, 0.25}, {1, 10.0, 30.0, 0.0}, {1, 30.0, 30.0, 0.0}}));
    EXPECT_EQ(pattern.EventCount(), 4);
    EXPECT_TRUE(pattern.BeatEvents(0).empty());
    EXPECT_TRUE(pattern.BeatEvents(99).empty());

    // Outside the beat, the pattern, the groups or the tracks: refused.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, 0, 1.0, 1.0), 0), 0); // belongs to the next beat
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, 0, -0.01, 1.0), 0), 0);
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, 0, nan, 1.0), 0), 0);
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, 0, 0.0, 1.0), -1), 0);
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, 0, 0.0, 1.0), 4), 0);
    EXPECT_EQ(pattern.AddEvent(MakeEvent(0, 1, 0, 0.0, 1.0), 0), 0);
    EXPECT_EQ(pattern.AddEvent(MakeEvent(4, 1, 0, 0.0, 1.0), 0), 0);
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, -1, 0.0, 1.0), 0), 0);
    EXPECT_EQ(pattern.EventCount(), 4);

    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, 0, 0.999, 1.0), 3), 1);
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, 6, 0.0, 1.0), 0), 1);
    EXPECT_EQ(pattern.TrackCount(3), 7); // tables made up to the event's track

    // All at once, as a loader adds them: the same stores, links and
    // refusals as one by one.
    Pattern bulk;
    bulk.Reset(4, 4, 0x00ffffff);
    const std::vector<Pattern::BeatEvent> events{
        {MakeEvent(3, 1, 0, 0.5, 10.0), 1},  {MakeEvent(3, 1, 0, 0.25, 20.0), 1},
        {MakeEvent(3, 1, 0, 0.5, 30.0), 1},  {MakeEvent(3, 2, 0, 0.5, 40.0), 1},
        {MakeEvent(3, 1, 0, 1.0, 1.0), 0},   {MakeEvent(3, 1, 0, 0.0, 1.0), 4},
        {MakeEvent(3, 1, 0, 0.999, 1.0), 3}, {MakeEvent(3, 1, 6, 0.0, 1.0), 0}};
    EXPECT_EQ(bulk.AddEvents(events), 6);
    EXPECT_EQ(bulk.EventCount(), pattern.EventCount());
    for (int beat = 0; beat < 4; ++beat) {
        EXPECT_EQ(PlayedValues(bulk, beat), PlayedValues(pattern, beat)) << beat;
    }
    EXPECT_EQ(Links(bulk, 3, 0, 1), Links(pattern, 3, 0, 1));
    EXPECT_EQ(Links(bulk, 3, 6, 1), Links(pattern, 3, 6, 1));
    EXPECT_EQ(bulk.TrackCount(3), 7);
}

TEST(Pattern, RelinkGlidesToTheNextEventAndDeletingRelinks) {
    Pattern pattern;
    pattern.Reset(8, 4, 0);
    pattern.AddEvent(MakeEvent(1, 0, 0, 0.0, 0.0), 0);
    pattern.AddEvent(MakeEvent(1, 0, 0, 0.0, 1.0), 2);
    EXPECT_EQ(Links(pattern, 1, 0, 0),
              (std::vector<Linked>{{0, 0.0, 1.0, 2.0}, {2, 1.0, 1.0, 0.0}}));

    pattern.AddEvent(MakeEvent(1, 0, 0, 0.5, -6.0), 4);
    pattern.AddEvent(MakeEvent(1, 0, 0, 0.5, -12.0), 5);
    EXPECT_EQ(Links(pattern, 1, 0, 0), (std::vector<Linked>{{0, 0.0, 1.0, 2.0},
                                                            {2, 1.0, -6.0, 2.5},
                                                            {4, -6.0, -12.0, 1.0},
                                                            {5, -12.0, -12.0, 0.0}}));

    // [2, 4.5) takes the events at 2.0 only; 4.5 itself stays.
    pattern.DeleteEvents(1, 0, 0, 2.0, 4.5);
    EXPECT_EQ(
        Links(pattern, 1, 0, 0),
        (std::vector<Linked>{{0, 0.0, -6.0, 4.5}, {4, -6.0, -12.0, 1.0}, {5, -12.0, -12.0, 0.0}}));
    EXPECT_TRUE(pattern.BeatEvents(2).empty());
    EXPECT_EQ(pattern.EventCount(), 3);
    // Nothing of another parameter or track is touched.
    pattern.AddEvent(MakeEvent(1, 1, 0, 0.5, 0.3), 4);
    pattern.DeleteEvents(1, 0, 1, 0.0, 8.0);
    pattern.DeleteEvents(1, 0, 9, 0.0, 8.0);
    EXPECT_EQ(PlayedValues(pattern, 4), (std::vector<double>{-6.0, 0.3}));
}

TEST(Pattern, OutOfOrderTimesRaiseTheIntegrityAlarmAndStay) {
    ScriptedInteraction interaction;
    SetCurrentInteraction(&interaction);
    test::PipeCapture messages(MessageOut(), kMessageLine);
    Pattern pattern;
    pattern.Reset(4, 4, 0);
    pattern.AddEvent(MakeEvent(3, 1, 0, 0.2, 1.0), 1);
    pattern.AddEvent(MakeEvent(3, 1, 0, 0.4, 2.0), 1);
    EXPECT_TRUE(interaction.Texts().empty());

    // An editor scribbles a time in place, out of order.
    pattern.Events(3, 0, 1)->at(1).front()->event.time = 0.6;
    EXPECT_EQ(pattern.AddEvent(MakeEvent(3, 1, 0, 0.1, 3.0), 2), 1);
    EXPECT_EQ(interaction.Texts(), Lines{"Events corrupted!"});
    EXPECT_EQ(messages.Take(), Lines{"Events corrupted!"});
    EXPECT_EQ(pattern.EventCount(), 3);
    // Other parameters are not checked.
    pattern.AddEvent(MakeEvent(3, 2, 0, 0.1, 3.0), 1);
    EXPECT_EQ(interaction.Texts().size(), 1u);
    SetCurrentInteraction(nullptr);
}

TEST(Pattern, ResetTakesItsSettingsAndDrawsPastelColours) {
    Pattern pattern;
    pattern.AddEvent(MakeEvent(3, 1, 0, 0.0, 1.0), 0);
    pattern.EnsureTracks(3, 2);
    pattern.Reset(Pattern::kMaxLength + 5, 3, 0x00123456);
    EXPECT_EQ(pattern.EventCount(), 0);
    EXPECT_TRUE(pattern.BeatEvents(0).empty());
    EXPECT_EQ(pattern.TrackCount(3), 0);
    EXPECT_EQ(pattern.Length(), Pattern::kMaxLength);
    EXPECT_EQ(pattern.TicksPerBeat(), 3);
    EXPECT_EQ(pattern.Colour(), 0x00123456u);

    for (int i = 0; i < 50; ++i) {
        pattern.Reset(8, 4, 0);
        for (int shift : {0, 8, 16}) {
            const unsigned component = (pattern.Colour() >> shift) & 0xffu;
            EXPECT_GE(component, 200u);
            EXPECT_LE(component, 250u);
        }
        EXPECT_EQ(pattern.Colour() >> 24, 0u);
    }
}

TEST(Pattern, CopyIsIndependentAndEqual) {
    Pattern source;
    source.Reset(6, 3, 0x00c8c8c8);
    source.name = "Verse";
    source.editorState[0] = 7;
    source.editorState[10] = -3;
    source.EnsureTracks(3, 2);
    source.AddEvent(MakeEvent(3, 1, 1, 0.25, 60.0), 0);
    source.AddEvent(MakeEvent(3, 1, 1, 0.25, 62.0), 0);
    source.AddEvent(MakeEvent(1, 0, 0, 0.0, -6.0), 5);

    Pattern copy;
    copy.CopyFrom(source);
    EXPECT_EQ(copy.name, "Verse");
    EXPECT_EQ(copy.Length(), 6);
    EXPECT_EQ(copy.TicksPerBeat(), 3);
    EXPECT_EQ(copy.Colour(), 0x00c8c8c8u);
    EXPECT_EQ(copy.editorState, source.editorState);
    EXPECT_EQ(copy.TrackCount(3), 2);
    EXPECT_EQ(Links(copy, 3, 1, 1), Links(source, 3, 1, 1));
    EXPECT_EQ(PlayedValues(copy, 0), (std::vector<double>{60.0, 62.0}));
    EXPECT_EQ(PlayedValues(copy, 5), (std::vector<double>{-6.0}));

    copy.DeleteEvents(3, 1, 1, 0.0, 6.0);
    EXPECT_EQ(PlayedValues(source, 0), (std::vector<double>{60.0, 62.0}));
}

using NodePatterns = test::SequencingFixture;

TEST_F(NodePatterns, TrackTablesFollowTheNodesTracksAndConnections) {
    ASSERT_EQ(project.ConnectMachines(1, 0), 1);
    const int number = CreatePattern(*project.GetNode(0), -1, 8, 4, 0);
    const Pattern& master = *project.GetNode(0)->Patterns().Get(number);
    EXPECT_EQ(master.TrackCount(kGroupMachine), 1);
    EXPECT_EQ(master.TrackCount(kGroupSystem), 1);
    EXPECT_EQ(master.TrackCount(kGroupInputMixer), 1);

    EXPECT_EQ(CreatePattern(*node, -1, 8, 4, 0), 0);
    EXPECT_EQ(CreatePattern(*node, 5, 16, 4, 0), 5);
    EXPECT_EQ(node->Patterns().Get(5)->Length(), 16);
    EXPECT_EQ(CreatePattern(*node, PatternList::kMaxNumber + 1, 8, 4, 0), -1);
    EXPECT_EQ(errors.Take(), Lines{"error: pattern number 32768 is out of range"});
    Pattern& pattern = *node->Patterns().Get(0);
    EXPECT_EQ(pattern.TrackCount(kGroupMachine), 1);
    EXPECT_EQ(pattern.TrackCount(kGroupInputMixer), 0);

    ASSERT_EQ(node->SetTrackCount(kGroupMachine, 3), 1);
    EXPECT_EQ(pattern.TrackCount(kGroupMachine), 3);
    EXPECT_EQ(node->Patterns().Get(5)->TrackCount(kGroupMachine), 3);
    pattern.AddEvent(MakeEvent(3, test::kNote, 2, 0.0, 60.0), 0);
    // Fewer tracks keep the tables and the events of the tracks above.
    ASSERT_EQ(node->SetTrackCount(kGroupMachine, 1), 1);
    EXPECT_EQ(pattern.TrackCount(kGroupMachine), 3);
    EXPECT_EQ(PlayedValues(pattern, 0), (std::vector<double>{60.0}));

    // A Connection into the Node at input index 2 gives every pattern
    // mixer tables up to that track.
    factory.Define("Source", {});
    const int source = project.CreateNode("Source");
    ASSERT_EQ(project.ConnectMachines(source, 1, 2), 1);
    EXPECT_EQ(pattern.TrackCount(kGroupInputMixer), 3);
}

TEST_F(NodePatterns, EditedEventsAreClampedAndNotesBringTheirCompanions) {
    const int number = CreatePattern(*node, -1, 8, 4, 0);
    Pattern& pattern = *node->Patterns().Get(number);
    node->WriteParameter(kGroupMachine, 0, test::kWave, 7.0);
    node->WriteParameter(kGroupMachine, 0, test::kGlobalWave, 8.0);

    EXPECT_EQ(AddClampedEvent(project, 1, number, 0, MakeEvent(3, test::kLevel, 0, 0.0, 3.0)), 1);
    EXPECT_EQ(AddClampedEvent(project, 1, number, 0, MakeEvent(3, test::kLevel, 0, 0.5, -1.0)), 1);
    EXPECT_EQ(PlayedValues(pattern, 0), (std::vector<double>{1.0, 0.0}));
    EXPECT_EQ(pattern.BeatEvents(0)[0]->event.nodeId, 1);

    // An old wave inside the note's range makes way; one outside stays.
    pattern.AddEvent(MakeEvent(3, test::kWave, 0, 0.5, 3.0), 2);
    pattern.AddEvent(MakeEvent(3, test::kWave, 0, 0.0, 4.0), 3);
    EXPECT_EQ(
        AddEditedEvent(project, 1, number, 2, 0.0, 1.0, MakeEvent(3, test::kNote, 0, 0.5, 200.0)),
        1);
    const Pattern::BeatLists* waves = pattern.Events(3, 0, test::kWave);
    ASSERT_NE(waves, nullptr);
    ASSERT_EQ(waves->at(2).size(), 1u);
    EXPECT_EQ(waves->at(2).front()->event.value, 7.0);
    EXPECT_EQ(waves->at(2).front()->event.time, 0.5);
    EXPECT_EQ(waves->at(3).front()->event.value, 4.0);
    EXPECT_EQ(pattern.Events(3, 0, test::kNote)->at(2).front()->event.value, 127.0);
    EXPECT_NE(pattern.Events(3, 0, test::kGlobalWave), nullptr);
    EXPECT_EQ(pattern.Events(3, 0, test::kHiddenWave), nullptr);

    // On another track the global parameter stays out; non-notes bring none.
    ASSERT_EQ(node->SetTrackCount(kGroupMachine, 2), 1);
    EXPECT_EQ(
        AddEditedEvent(project, 1, number, 4, 0.0, 0.5, MakeEvent(3, test::kNote, 1, 0.0, 60.0)),
        1);
    EXPECT_NE(pattern.Events(3, 1, test::kWave), nullptr);
    EXPECT_EQ(pattern.Events(3, 1, test::kGlobalWave), nullptr);
    EXPECT_EQ(
        AddEditedEvent(project, 1, number, 5, 0.0, 1.0, MakeEvent(3, test::kLevel, 0, 0.0, 0.5)),
        1);
    EXPECT_EQ(pattern.BeatEvents(5).size(), 1u);
    // A refused note brings nothing.
    EXPECT_EQ(
        AddEditedEvent(project, 1, number, 8, 0.0, 1.0, MakeEvent(3, test::kNote, 0, 0.0, 60.0)),
        0);
    EXPECT_TRUE(errors.Take().empty());

    EXPECT_EQ(AddClampedEvent(project, 9, number, 0, MakeEvent(3, test::kLevel, 0, 0.0, 1.0)), 0);
    EXPECT_EQ(AddClampedEvent(project, 1, 9, 0, MakeEvent(3, test::kLevel, 0, 0.0, 1.0)), 0);
    EXPECT_EQ(AddEditedEvent(project, 1, number, 0, 0.0, 1.0, MakeEvent(3, 77, 0, 0.0, 1.0)), 0);
    EXPECT_EQ(errors.Take(),
              (Lines{"error: node 9 does not exist", "error: pattern 9 does not exist",
                     "error: parameter 77 of group 3 does not exist"}));
}

} // namespace
} // namespace tarn
