#include "studio/Autosave.h"

#include "base/AppDirectory.h"
#include "editing/UndoHistory.h"
#include "engine/Project.h"
#include "studio/DemoSong.h"
#include "studio/Studio.h"

#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tarn {
namespace {

TEST(Autosave, WritesOnlyNewEditsAndAKillMidWriteLeavesALoadableCopy) {
    test::ScratchDirectory scratch;
    SetAppDirectory(scratch.Path());
    Studio studio;
    studio.SetProject(BuildDemoSong(studio.Creator(), studio.Engine().Tempo()));
    UndoHistory history(studio.Current());
    Autosave autosave(studio, history);
    const std::filesystem::path copy = AppPath(Autosave::kFileName);

    // Nothing unsaved, nothing written; an edit is written once.
    EXPECT_FALSE(autosave.SaveIfChanged());
    EXPECT_FALSE(std::filesystem::exists(copy));
    history.Push(std::make_unique<UndoEntry>("Edit"));
    EXPECT_TRUE(autosave.SaveIfChanged());
    EXPECT_FALSE(autosave.SaveIfChanged());
    {
        ProjectLock hold(studio.Current());
        EXPECT_TRUE(studio.Current().Get()->filePath.empty()); // not the user's file
    }

    // A process writing copy after copy, killed at any moment, leaves the
    // previous copy or the new one, whole.
    std::mt19937 random(19);
    std::uniform_int_distribution<int> microseconds(0, 40000);
    for (int kill = 0; kill < 50; ++kill) {
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            for (;;) {
                autosave.Save();
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds(random)));
        ::kill(writer, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        const std::unique_ptr<Project> loaded = studio.LoadProject(copy);
        ASSERT_NE(loaded, nullptr) << "after kill " << kill;
        EXPECT_EQ(loaded->Nodes().Count(), 3);
    }

    // A session that ends cleanly is not offered for restoring; one whose
    // marker outlived it is, as long as a copy exists.
    EXPECT_FALSE(Autosave::BeginSession());
    EXPECT_TRUE(Autosave::BeginSession()); // the first never ended
    Autosave::EndSession();
    EXPECT_FALSE(Autosave::BeginSession());
    // Nor is the session of a second studio that runs beside this one; its
    // marker outlives this session's end.
    const std::filesystem::path marker = AppPath(Autosave::kMarkerName);
    std::ofstream(marker, std::ios::trunc) << "running " << getppid() << "\n";
    EXPECT_FALSE(Autosave::BeginSession());
    std::ofstream(marker, std::ios::trunc) << "running " << getppid() << "\n";
    Autosave::EndSession();
    EXPECT_TRUE(std::filesystem::exists(marker));
    std::filesystem::remove(copy);
    EXPECT_FALSE(Autosave::BeginSession());
    Autosave::EndSession();
    EXPECT_FALSE(std::filesystem::exists(marker));
}

} // namespace
} // namespace tarn
