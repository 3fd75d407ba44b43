#include "editing/UndoHistory.h"
#include "base/StudioObserver.h"
#include "editing/PatternContents.h"
#include "engine/CurrentProject.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "support/RenderMachine.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <array>
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

    // Deleting machines steps like any entry but changes nothing.
    history.PushMachineDeletion();
    EXPECT_EQ(history.Undo(), 0);
    EXPECT_EQ(history.RedoName(), "Delete machine");
    EXPECT_EQ(history.Redo(), 0);
    EXPECT_EQ(history.UndoName(), "Delete machine");

    history.Clear();
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(history.Position(), 0);
    EXPECT_FALSE(history.IsChanged());
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
    history.PushMachineDeletion();
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

} // namespace
} // namespace tarn
