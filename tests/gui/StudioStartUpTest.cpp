#include "gui/StudioFixture.h"

#include "gui/MainWindow.h"

#include "support/SpawnedProgram.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <csignal>
#include <elf.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarn {
namespace {

using StudioStartUpTest = test::StudioFixture;
using Clock = std::chrono::steady_clock;

bool AnyWindowVisible() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [](const QWidget* window) { return window->isVisible(); });
}

// "  <milliseconds> ms"
// Starts the real studio program in the application directory, on the
// offscreen platform, waits until its window is up and kills it with
// SIGKILL, as a crash or a power cut would end it.
void KillRunningStudio() {
    std::vector<std::string> environment{"QT_QPA_PLATFORM=offscreen"};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (std::string_view(*variable).rfind("QT_QPA_PLATFORM=", 0) != 0) {
            environment.emplace_back(*variable);
        }
    }
    std::vector<char*> envp;
    for (std::string& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    std::string failure;
    const pid_t child =
        test::SpawnProgram(TARN_BINARY, {"tarn", "studio"}, false, failure, envp.data());
    ASSERT_GE(child, 0) << failure;
    const auto up = [] {
        std::ifstream log("Out/Console.log");
        for (std::string line; std::getline(log, line);) {
            if (line.find("creating GUI...") != std::string::npos) {
                return std::filesystem::exists(Autosave::kMarkerName);
            }
        }
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!up() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(up()) << "the studio did not come up";
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
}

bool IsTimeLine(const std::string& line) {
    constexpr std::string_view kUnit = " ms";
    if (line.rfind("  ", 0) != 0 || line.size() <= 2 + kUnit.size() ||
        line.compare(line.size() - kUnit.size(), kUnit.size(), kUnit) != 0) {
        return false;
    }
    const std::string number = line.substr(2, line.size() - 2 - kUnit.size());
    std::size_t used = 0;
    return std::stod(number, &used) >= 0.0 && used == number.size();
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

TEST_F(StudioStartUpTest, StartsAndEndsInItsFixedOrderAndTimesItsSteps) {
    const auto begin = Clock::now();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&studio_->Window()));
    const auto shown = Clock::now();
    EXPECT_EQ(studio_->Window().windowTitle().toStdString(), "Untitled - Tarn Studio");
    const auto closing = Clock::now();
    Stop();
    const auto closed = Clock::now();
    std::cout << "start-up to the shown main window: " << Milliseconds(shown - begin)
              << " ms; shut-down: " << Milliseconds(closed - closing) << " ms\n";
    RecordProperty("StartUpMilliseconds", static_cast<int>(Milliseconds(shown - begin)));
    RecordProperty("ShutDownMilliseconds", static_cast<int>(Milliseconds(closed - closing)));
    EXPECT_FALSE(AnyWindowVisible());

    // Every label in order; each timed one followed by its time.
    const std::vector<std::string> lines = LogLines();
    const std::vector<std::string> labels{
        "creating message pipes",           "loading image handlers",
        "loading sound handlers",           "loading skin",
        "creating machine factory...",      "starting audio streaming engine...",
        "starting sound preview engine...", "starting core engine...",
        "initializing DSP lib...",          "initializing input devices...",
        "creating default project...",      "creating GUI...",
        "Massive destruction (tm)..."};
    auto at = lines.begin();
    for (const std::string& label : labels) {
        at = std::find(at, lines.end(), label);
        ASSERT_NE(at, lines.end()) << label;
        const bool timed = label.rfind("loading ", 0) == 0 || label == "initializing DSP lib...";
        const bool timeFollows = at + 1 != lines.end() && IsTimeLine(*(at + 1));
        EXPECT_EQ(timeFollows, timed) << label;
    }
    EXPECT_EQ(lines.front(), "creating message pipes");
    const auto splashWarning = [](const std::vector<std::string>& log) {
        return std::any_of(log.begin(), log.end(), [](const std::string& line) {
            return line.rfind("warning: the splash picture", 0) == 0;
        });
    };
    EXPECT_FALSE(splashWarning(lines));

    // Without its splash picture the studio starts all the same.
    std::filesystem::remove(scratch_ / "Data/splash.tga");
    EXPECT_TRUE(Start());
    Stop();
    EXPECT_TRUE(splashWarning(LogLines()));

    // A skin whose image is missing ends start-up through the failure exit.
    std::ofstream(scratch_ / "Skins/Default/Skin.config.xml")
        << "<skin>\r\n  <images>\r\n    <background>tile.png</background>\r\n  </images>\r\n"
           "</skin>\r\n";
    EXPECT_FALSE(Start());
    EXPECT_FALSE(AnyWindowVisible());
    Stop();
    const std::vector<std::string> failed = LogLines();
    EXPECT_NE(std::find(failed.begin(), failed.end(), "loading skin"), failed.end());
    EXPECT_EQ(std::find(failed.begin(), failed.end(), "creating GUI..."), failed.end());

    // Without its settings the studio shows no window at all.
    std::filesystem::remove(scratch_ / "Config/GUI.config.xml");
    EXPECT_FALSE(Start());
    EXPECT_FALSE(AnyWindowVisible());
    Stop();
    EXPECT_EQ(LogLines().front(), "creating message pipes");
    EXPECT_EQ(LogLines().size(), 2u); // and the settings' own error line
}

TEST_F(StudioStartUpTest, OffersTheAutosaveOnlyAfterASessionThatDidNotEndCleanly) {
    const std::string offer = "Tarn Studio did not close properly last time. Do you want to "
                              "restore the project it saved automatically before that?";
    ASSERT_TRUE(Start());
    const std::filesystem::path song = scratch_ / "Song.tarn";
    script_.QueueFile(song);
    ASSERT_TRUE(studio_->Commands().SaveAs());
    {
        CurrentProject& current = studio_->GetStudio().Current();
        ProjectLock hold(current);
        ASSERT_GE(current.Get()->CreateNode("Tarn Analog Bass"), 0);
    }
    studio_->Commands().History().Push(std::make_unique<UndoEntry>("Edit"));
    ASSERT_TRUE(studio_->Autosaver().SaveIfChanged());
    script_.QueueAnswer(MessageBoxAnswer::kNo);
    ASSERT_TRUE(studio_->Exit());
    Stop();
    ASSERT_TRUE(Start());
    Stop();
    EXPECT_EQ(std::count(script_.Texts().begin(), script_.Texts().end(), offer), 0);

    // A studio killed outright leaves its session marker behind: the next
    // start offers the copy that the last session saved.
    ASSERT_TRUE(std::filesystem::exists(scratch_ / Autosave::kFileName));
    KillRunningStudio();
    script_.QueueAnswer(MessageBoxAnswer::kYes);
    ASSERT_TRUE(Start());
    EXPECT_EQ(std::count(script_.Texts().begin(), script_.Texts().end(), offer), 1);
    CurrentProject& current = studio_->GetStudio().Current();
    {
        ProjectLock hold(current);
        EXPECT_EQ(current.Get()->Nodes().Count(), 2);
        EXPECT_EQ(current.Get()->filePath, song.string());
    }
    EXPECT_TRUE(studio_->Commands().History().IsChanged());
    EXPECT_EQ(studio_->Window().windowTitle().toStdString(), "*Song.tarn - Tarn Studio");
    // Saving over the project's file asks first; cancelled, nothing is
    // written.
    const auto written = std::filesystem::last_write_time(song);
    script_.QueueAnswer(MessageBoxAnswer::kCancel);
    EXPECT_FALSE(studio_->Commands().Save());
    EXPECT_EQ(script_.Texts().back(), "Save the restored project over '" + song.string() + "'?");
    EXPECT_EQ(std::filesystem::last_write_time(song), written);
    EXPECT_TRUE(studio_->Commands().Save());
    EXPECT_FALSE(studio_->Commands().History().IsChanged());
}

// The shared libraries a program asks the loader for: the DT_NEEDED
// entries of its dynamic section.
std::vector<std::string> NeededLibraries(const char* program) {
    std::ifstream file(program, std::ios::binary);
    const auto read = [&file](std::uint64_t offset, void* into, std::size_t bytes) {
        file.seekg(static_cast<std::streamoff>(offset));
        file.read(static_cast<char*>(into), static_cast<std::streamsize>(bytes));
        return static_cast<bool>(file);
    };
    Elf64_Ehdr header{};
    std::vector<std::string> needed;
    if (!read(0, &header, sizeof header)) {
        return needed;
    }
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    read(header.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr));
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_type != SHT_DYNAMIC || section.sh_link >= sections.size()) {
            continue;
        }
        std::vector<Elf64_Dyn> entries(section.sh_size / sizeof(Elf64_Dyn));
        read(section.sh_offset, entries.data(), entries.size() * sizeof(Elf64_Dyn));
        std::string names(sections[section.sh_link].sh_size, '\0');
        read(sections[section.sh_link].sh_offset, names.data(), names.size());
        for (const Elf64_Dyn& entry : entries) {
            if (entry.d_tag == DT_NEEDED && entry.d_un.d_val < names.size()) {
                needed.emplace_back(names.c_str() + entry.d_un.d_val);
            }
        }
    }
    return needed;
}

TEST(StudioProgramsTest, TheCommandLineProgramLoadsNoWindowToolkit) {
    const std::vector<std::string> needed = NeededLibraries(TARN_BINARY);
    EXPECT_NE(std::find(needed.begin(), needed.end(), "libc.so.6"), needed.end());
    for (const std::string& library : needed) {
        EXPECT_EQ(library.rfind("libQt", 0), std::string::npos) << library;
    }
}

} // namespace
} // namespace tarn
