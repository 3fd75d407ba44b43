#include "engine/CurrentProject.h"

#include "base/UserInteraction.h"
#include "sequencing/Pattern.h"
#include "sequencing/SequencingFixture.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

namespace tarn {
namespace {

// Notes every box shown and whether the audio thread could have taken the
// project lock at that moment.
struct LockWatchingInteraction : UserInteraction {
    explicit LockWatchingInteraction(CurrentProject& current) : current(current) {}

    MessageBoxAnswer ShowMessage(std::string_view, std::string_view text,
                                 MessageBoxButtons) override {
        texts.emplace_back(text);
        lockFree.push_back(std::async(std::launch::async, [this] {
                               std::unique_lock lock(current.Lock(), std::try_to_lock);
                               return lock.owns_lock();
                           }).get());
        return MessageBoxAnswer::kOk;
    }

    CurrentProject& current;
    std::vector<std::string> texts;
    std::vector<bool> lockFree;
};

TEST(ProjectLock, AlarmsRaisedUnderItAreShownAfterItIsLeft) {
    CurrentProject current;
    LockWatchingInteraction interaction(current);
    SetCurrentInteraction(&interaction);
    Pattern pattern;
    pattern.Reset(4, 4, 0);
    pattern.AddEvent(test::MakeEvent(3, 1, 0, 0.2, 1.0), 1);
    pattern.AddEvent(test::MakeEvent(3, 1, 0, 0.4, 2.0), 1);
    pattern.Events(3, 0, 1)->at(1).front()->event.time = 0.6;
    {
        ProjectLock outer(current);
        {
            // Edits call edits: the inner lock leaving shows nothing yet.
            ProjectLock inner(current);
            pattern.AddEvent(test::MakeEvent(3, 1, 0, 0.1, 3.0), 2);
        }
        pattern.AddEvent(test::MakeEvent(3, 1, 0, 0.1, 4.0), 3);
        EXPECT_TRUE(interaction.texts.empty());
        // Still held after the inner level left, and by this thread alone.
        EXPECT_TRUE(current.Lock().HeldHere());
        EXPECT_FALSE(
            std::async(std::launch::async, [&] { return current.Lock().HeldHere(); }).get());
    }
    EXPECT_FALSE(current.Lock().HeldHere());
    EXPECT_EQ(interaction.texts,
              (std::vector<std::string>{"Events corrupted!", "Events corrupted!"}));
    EXPECT_EQ(interaction.lockFree, (std::vector<bool>{true, true}));

    // Without the lock the alarm is shown at once.
    pattern.AddEvent(test::MakeEvent(3, 1, 0, 0.1, 5.0), 3);
    EXPECT_EQ(interaction.texts.size(), 3u);
    SetCurrentInteraction(nullptr);
}

} // namespace
} // namespace tarn
