#include "editing/UndoHistory.h"
#include "base/StudioObserver.h"
#include "document/ProjectSnapshot.h"
#include "editing/MachineDeletionEntry.h"
#include "editing/PatternContents.h"
#include "engine/CurrentProject.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "support/RenderMachine.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <array>
#include <mutex>
#include <string>
#include <vector>

namespace tarn {
namespace {

using test::Contents;

struct RecordedNotices : StudioObserver {
    RecordedNotices() { SetStudioObserver(this); }
    ~RecordedNotices() override { SetStudioObserver(nullptr); }
    void Notice(int notice, int value, int value2) override {
        notices.push_back({notice, value, value2});
    }
    std::vector<std::array<int, 3>> notices;
};

struct UndoHistoryTest : ::testing::Test {
    UndoHistoryTest() {
        factory.Define("Master", {.kind = kKindMaster, .inputs = 2});
        factory.Define("Generator", {.maxTracks = 4, .sound = test::Sound::kNote});
        auto made = std::make_unique<Project>(factory.Creator());
        made->CreateNode("Master");
        made->CreateNode("Generator");
        current.Set(std::move(made));
        EXPECT_EQ(CreatePattern(*Generator(), 0, 4, 4, 1), 0);
    }

    Node* Generator() { return current.Get()->GetNode(1); }
    Pattern& Live() { return *Generator()->Patterns().Get(0); }

    // Records an edit that adds a level event at beat.
    void AddLevel(const std::string& name, int beat, double value) {
        auto entry = UndoHistory::BeginPatternEdit(*current.Get(), name, 1, 0);
        ASSERT_NE(entry, nullptr);
        PatternEventRecord event;
        event.event.group = kGroupMachine;
        event.event.index = test::kLevel;
        event.event.value = value;
        ASSERT_EQ(AddClampedEvent(*current.Get(), 1, 0, beat, event), 1);
        history.Push(std::move(entry));
    }

    test::PipeCapture errors{ErrorOut()};
    test::RenderFactory factory;
    CurrentProject current;
    UndoHistory history{current};
};

TEST_F(UndoHistoryTest, KeepsSixteenEntriesAndDiscardsTheRedoBranch) {
    EXPECT_EQ(history.Undo(), 0);
    EXPECT_EQ(history.Redo(), 0);
    EXPECT_EQ(history.UndoMenuText(), "Undo ");
    EXPECT_FALSE(history.IsChanged());
    for (int i = 0; i < 17; ++i) {
        history.Push(std::make_unique<UndoEntry>("e" + std::to_string(i)));
    }
    EXPECT_TRUE(history.IsChanged());
    EXPECT_EQ(history.Count(), 16);
    EXPECT_EQ(history.Position(), 16);
    EXPECT_EQ(history.UndoMenuText(), "Undo e16");
    EXPECT_EQ(history.RedoMenuText(), "Redo ");
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(history.Undo(), 0); // base entries change nothing, but step
    }
    EXPECT_EQ(history.Position(), 0);
    EXPECT_EQ(history.RedoName(), "e1"); // e0 was the oldest and is gone
    EXPECT_EQ(history.Undo(), 0);
    EXPECT_EQ(history.Position(), 0);

    for (int i = 0; i < 14; ++i) {
        history.Redo();
    }
    history.Undo();
    history.Undo();
    history.Push(std::make_unique<UndoEntry>("Insert"));
    EXPECT_EQ(history.Count(), 13);
    EXPECT_EQ(history.UndoMenuText(), "Undo Insert");
    EXPECT_EQ(history.RedoMenuText(), "Redo ");
    EXPECT_EQ(history.Redo(), 0);
    EXPECT_EQ(history.Position(), 13);

    // An entry that changes nothing steps like any other.
    history.Push(std::make_unique<UndoEntry>("Restore"));
    EXPECT_EQ(history.Undo(), 0);
    EXPECT_EQ(history.RedoName(), "Restore");
    EXPECT_EQ(history.Redo(), 0);
    EXPECT_EQ(history.UndoName(), "Restore");

    history.Clear();
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(history.Position(), 0);
    EXPECT_FALSE(history.IsChanged());
}

TEST_F(UndoHistoryTest, TellsItsListenerOfEveryStepAndUndoLeavesWorkToSave) {
    int told = 0;
    history.SetListener([&told] { ++told; });
    AddLevel("Insert event", 1, 0.25);
    EXPECT_EQ(told, 1);
    history.MarkSaved();
    EXPECT_EQ(told, 2);
    EXPECT_FALSE(history.IsChanged());
    // What is on disk is no longer what the project holds.
    EXPECT_EQ(history.Undo(), 1);
    EXPECT_EQ(told, 3);
    EXPECT_TRUE(history.IsChanged());
    EXPECT_EQ(history.Redo(), 1);
    history.MarkChanged(); // already changed: nothing new to show
    EXPECT_EQ(told, 4);
    history.Clear();
    EXPECT_EQ(told, 5);
    history.SetListener({});
    history.MarkChanged();
    EXPECT_EQ(told, 5);
}

TEST_F(UndoHistoryTest, SwapsPatternsBackAndForthAndTellsTheEditors) {
    RecordedNotices observer;
    const auto empty = Contents(Live());
    AddLevel("Insert event", 1, 0.25);
    const auto one = Contents(Live());
    AddLevel("Insert event", 2, 0.75);
    const auto two = Contents(Live());
    ASSERT_EQ(two.size(), 2u);

    // The Node gains tracks after the copies were taken: whatever comes
    // back has tables for them.
    ASSERT_EQ(Generator()->SetTrackCount(kGroupMachine, 3), 1);
    EXPECT_EQ(history.Undo(), 1);
    EXPECT_EQ(Contents(Live()), one);
    EXPECT_EQ(Live().TrackCount(kGroupMachine), 3);
    EXPECT_EQ(history.Undo(), 1);
    EXPECT_EQ(Contents(Live()), empty);
    EXPECT_EQ(history.Redo(), 1);
    EXPECT_EQ(Contents(Live()), one);
    EXPECT_EQ(history.Redo(), 1);
    EXPECT_EQ(Contents(Live()), two);
    EXPECT_EQ(Live().TrackCount(kGroupMachine), 3);
    EXPECT_EQ(observer.notices.size(), 4u);
    EXPECT_EQ(observer.notices.back(), (std::array<int, 3>{kNoticePatternChanged, 1, 0}));

    // An entry begun and never pushed leaves nothing behind.
    EXPECT_NE(UndoHistory::BeginPatternEdit(*current.Get(), "Insert", 1, 0), nullptr);
    EXPECT_EQ(UndoHistory::BeginPatternEdit(*current.Get(), "Insert", 1, 9), nullptr);
    EXPECT_EQ(errors.Take(), std::vector<std::string>{"error: pattern 9 does not exist"});
}

TEST_F(UndoHistoryTest, EntriesOfADeletedNodeNeverTouchItsSuccessor) {
    AddLevel("Insert", 1, 0.5);
    AddLevel("Insert", 2, 0.5);
    {
        std::lock_guard lock(current.Lock());
        ASSERT_EQ(current.Get()->DeleteNode(1), 1);
        ASSERT_EQ(current.Get()->CreateNode("Generator", {}, 1), 1);
        ASSERT_EQ(CreatePattern(*Generator(), 0, 4, 4, 1), 0);
    }
    history.Push(std::make_unique<UndoEntry>("Delete machine"));
    EXPECT_EQ(history.Undo(), 0);
    EXPECT_EQ(history.Undo(), 0);
    EXPECT_EQ(history.Position(), 1);
    EXPECT_EQ(Live().EventCount(), 0);
    EXPECT_EQ(history.Redo(), 0);
    EXPECT_EQ(history.Position(), 2);
    // Without a project nothing is there to change either.
    current.Take();
    EXPECT_EQ(history.Undo(), 0);
    EXPECT_EQ(history.Position(), 1);
}

TEST_F(UndoHistoryTest, DeletedMachinesComeBackAsTheyWereAndRedoDeletesThemAgain) {
    factory.Define("Effect", {.kind = kKindEffect, .inputs = 2});
    RecordedNotices observer;
    // Held throughout, as the editors hold it for each edit (recursive:
    // the history takes it again).
    std::lock_guard hold(current.Lock());
    Project& project = *current.Get();
    const int effect = project.CreateNode("Effect");
    const int kept = project.CreateNode("Generator");
    ASSERT_EQ(project.ConnectMachines(1, effect), 1);
    ASSERT_EQ(project.ConnectMachines(effect, Project::kMasterId), 1);
    ASSERT_EQ(project.ConnectMachines(kept, Project::kMasterId), 1);
    ASSERT_EQ(project.ConnectMachines(1, Project::kMasterId), 1);
    Node& master = *project.GetNode(Project::kMasterId);
    const int fromGenerator = master.FindInput(1);
    ASSERT_EQ(
        master.WriteParameter(kGroupInputMixer, fromGenerator, system_parameter::kVolume, -6.0), 1);
    ASSERT_EQ(Generator()->WriteParameter(kGroupMachine, 0, test::kLevel, 0.75), 1);
    ASSERT_EQ(Generator()->SequenceTracks().Create(0), 1);
    ASSERT_EQ(Generator()->SequenceTracks().Get(0)->PlacePattern(8, 0), 1);
    project.GetNode(effect)->SetMute(true);
    project.NodeOrder() = {kept, 1, effect};
    project.editedNodeId = 1;
    AddLevel("Insert event", 1, 0.25);
    const ProjectDocument before = SnapshotProject(project);
    const std::uint64_t serial = Generator()->Serial();

    auto entry = std::make_unique<MachineDeletionEntry>(project, std::vector<int>{1, effect, 0});
    EXPECT_EQ(entry->Deleted(), 2); // never the Master
    history.Push(std::move(entry));
    EXPECT_EQ(project.Nodes().Count(), 2);
    EXPECT_EQ(master.InputList().Count(), 1);
    EXPECT_EQ(project.NodeOrder(), std::vector<int>{kept});
    EXPECT_EQ(project.editedNodeId, Project::kMasterId);

    EXPECT_EQ(history.Undo(), 1);
    EXPECT_EQ(SnapshotProject(project), before);
    EXPECT_EQ(Generator()->Serial(), serial);
    EXPECT_TRUE(project.GetNode(effect)->Muted());
    EXPECT_EQ(observer.notices.back(), (std::array<int, 3>{kNoticeMachinesChanged, 0, 0}));
    // The pattern edit from before the deletion still finds its Node.
    EXPECT_EQ(history.Undo(), 1);
    EXPECT_EQ(Live().EventCount(), 0);
    EXPECT_EQ(history.Redo(), 1);

    // What changed after the undo is kept by the redo's deletion.
    ASSERT_EQ(
        project.GetNode(effect)->WriteParameter(kGroupSystem, 0, system_parameter::kVolume, -3.0),
        1);
    const ProjectDocument changed = SnapshotProject(project);
    EXPECT_EQ(history.Redo(), 1);
    EXPECT_EQ(project.GetNode(1), nullptr);
    EXPECT_EQ(history.Undo(), 1);
    EXPECT_EQ(SnapshotProject(project), changed);

    // A Node that took an id meanwhile stays, and so does a Connection
    // that took an input index: the kept one moves to a free index.
    EXPECT_EQ(history.Redo(), 1);
    ASSERT_EQ(project.CreateNode("Generator", {}, effect), effect);
    ASSERT_EQ(project.ConnectMachines(effect, Project::kMasterId, fromGenerator), 1);
    const std::uint64_t newcomer = project.GetNode(effect)->Serial();
    errors.Take();
    EXPECT_EQ(history.Undo(), 1);
    EXPECT_EQ(project.GetNode(effect)->Serial(), newcomer);
    EXPECT_EQ(master.InputList().Get(fromGenerator)->SourceId(), effect);
    const int moved = master.FindInput(1);
    ASSERT_GE(moved, 0);
    EXPECT_NE(moved, fromGenerator);
    EXPECT_EQ(master.ReadParameter(kGroupInputMixer, moved, system_parameter::kVolume), -6.0);
    // Redo leaves the newcomer alone.
    EXPECT_EQ(history.Redo(), 1);
    EXPECT_NE(project.GetNode(effect), nullptr);
    EXPECT_EQ(project.GetNode(1), nullptr);
}

} // namespace
} // namespace tarn
