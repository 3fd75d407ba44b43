#include "base/ReplacingFile.h"
#include "support/ScratchDirectory.h"
#include "support/SpawnedProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::ScratchDirectory;

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::ranges::sort(names);
    return names;
}

// Writers that save one path at once never meet in a temporary: each
// commits a whole file, and the file on the disk is one of theirs, whole.
TEST(ReplacingFile, ConcurrentWritersEachWriteATemporaryOfTheirOwn) {
    ScratchDirectory scratch;
    const fs::path target = scratch / "song.tarn";
    constexpr int kWriters = 6;
    std::vector<std::string> contents;
    for (int i = 0; i < kWriters; ++i) {
        contents.emplace_back(300000 + i * 1000, static_cast<char>('a' + i));
    }
    std::vector<fs::path> temporaries(kWriters);
    std::vector<int> committed(kWriters, 0);
    std::atomic<int> ready = 0;
    std::vector<std::thread> writers;
    for (int i = 0; i < kWriters; ++i) {
        writers.emplace_back([&, i] {
            ReplacingFile file(target);
            temporaries[i] = file.Temporary();
            ready.fetch_add(1);
            while (ready.load() < kWriters) {
                std::this_thread::yield();
            }
            committed[i] = file.Write(contents[i]) && file.Commit() ? 1 : 0;
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    EXPECT_EQ(std::ranges::count(committed, 1), kWriters);
    std::ranges::sort(temporaries);
    EXPECT_EQ(std::ranges::adjacent_find(temporaries), temporaries.end());
    for (const fs::path& temporary : temporaries) {
        EXPECT_EQ(temporary.parent_path(), scratch.Path());
        EXPECT_EQ(temporary.extension(), ".tarn");
    }
    EXPECT_NE(std::ranges::find(contents, ReadFile(target)), contents.end());
    EXPECT_EQ(Names(scratch.Path()), std::vector<std::string>{"song.tarn"});
}

// A failure keeps the old file and leaves no temporary behind; the reason
// is the system's.
TEST(ReplacingFile, AFailureKeepsTheOldFileAndTellsWhy) {
    ScratchDirectory scratch;
    EXPECT_EQ(ReplaceFile(scratch / "missing/song.tarn", "new"), ENOENT);
    const fs::path target = scratch / "song.tarn";
    ASSERT_EQ(ReplaceFile(target, "old"), 0);
    {
        ReplacingFile file(target);
        ASSERT_TRUE(file.Write("abandoned"));
        EXPECT_TRUE(fs::exists(file.Temporary()));
    }
    EXPECT_EQ(ReadFile(target), "old");
    fs::create_directories(scratch / "folder/inside");
    EXPECT_EQ(ReplaceFile(scratch / "folder", "new"), EISDIR);
    EXPECT_EQ(Names(scratch.Path()), (std::vector<std::string>{"folder", "song.tarn"}));
    ASSERT_EQ(ReplaceFile(target, "new"), 0);
    EXPECT_EQ(ReadFile(target), "new");
}

// A writer killed midway leaves its temporary; the next write to that
// folder removes it once its process is gone, and only then.
TEST(ReplacingFile, TemporariesOfEndedProcessesAreRemovedByTheNextWrite) {
    ScratchDirectory scratch;
    std::string failure;
    const pid_t ended = test::SpawnProgram("true", {"true"}, true, failure);
    ASSERT_GT(ended, 0) << failure;
    waitpid(ended, nullptr, 0);
    const std::string dead = ".song.saving-" + std::to_string(ended) + "-Ab12Cd.tarn";
    const std::string living = ".song.saving-" + std::to_string(getppid()) + "-Ab12Cd.tarn";
    const std::vector<std::string> others{".notes.saving-x-Ab12Cd", ".plain",
                                          "song.saving-1-Ab12Cd"};
    for (const std::string& name : others) {
        ASSERT_EQ(ReplaceFile(scratch / name, "kept"), 0);
    }
    // Written by name: a writer would remove a stale one of its own.
    for (const std::string& name : {dead, living}) {
        std::ofstream(scratch / name) << "left over";
    }
    ASSERT_EQ(ReplaceFile(scratch / "other.wav", "new"), 0);
    std::vector<std::string> expected = others;
    expected.push_back(living);
    expected.push_back("other.wav");
    std::ranges::sort(expected);
    EXPECT_EQ(Names(scratch.Path()), expected);
}

} // namespace
} // namespace tarn
