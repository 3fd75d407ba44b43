#include "machines/framework/vst/VstPluginScan.h"
#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "cli/CommandLine.h"
#include "formats/XmlTree.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/builtin/MachineHost.h"
#include "machines/framework/MachineFactory.h"
#include "machines/framework/vst/VstAdapter.h"
#include "machines/framework/vst/VstPlayingMarks.h"

#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tarn::test {
namespace {

namespace fs = std::filesystem;

// Long enough for a good library to answer on a loaded machine under the
// thread sanitizer; the hanging one costs this much on each scan.
constexpr std::chrono::milliseconds kLimit{4000};

// An application directory whose Gear folder holds links to our own good
// (one slow to start, one starting a helper process, one crashing late) and
// broken libraries,
// a text file and a library that exports no entry point; every warning and
// error line is kept.
class PluginScanTest : public ::testing::Test {
protected:
    PluginScanTest() {
        SetAppDirectory(scratch_.Path());
        fs::create_directories(scratch_ / "Skins");
        fs::create_directories(scratch_ / "Gear/Lib");
        for (const char* library :
             {TARN_CLICK_MAIN_PLUGIN, TARN_SLOW_PLUGIN, TARN_FORKS_PLUGIN, TARN_LATE_CRASH_PLUGIN,
              TARN_CRASH_PLUGIN, TARN_HANG_PLUGIN, TARN_NOEXPORT_LIBRARY}) {
            fs::create_symlink(library, scratch_ / "Gear/Lib" / fs::path(library).filename());
        }
        std::ofstream(scratch_ / "Gear/Lib/Text.so") << "no library";
        fs::create_directories(scratch_ / "Plugin/Gear");
        std::ofstream(scratch_ / "Plugin/Gear/Gear.config.xml")
            << "<gear><group><name>VST</name><adapter>VST</adapter><directory><name>"
            << (scratch_ / "Gear").string() << "</name></directory></group></gear>";
        ErrorOut().RegisterReceiver(this, &Collect, kErrorLine);
        WarningOut().RegisterReceiver(this, &Collect, kWarningLine);
    }
    ~PluginScanTest() override {
        ErrorOut().UnregisterReceiver(this);
        WarningOut().UnregisterReceiver(this);
        SetAppDirectory(previous_);
    }

    // The registry's refusals by name after a build through scan.
    std::map<std::string, std::string> Refusals(MachineFactory& factory, VstPluginScan& scan,
                                                bool retry = false) {
        factory.Registry().SetScreen(
            [&scan, retry](std::vector<GearEntry>& entries) { scan.Screen(entries, retry); });
        EXPECT_EQ(factory.Registry().Build(), 1);
        std::map<std::string, std::string> refusals;
        for (const GearEntry& entry : factory.Registry().Entries()) {
            if (!entry.fileName.empty()) {
                refusals[entry.name] = entry.refusal;
            }
        }
        return refusals;
    }

    fs::path Lib(const std::string& name) const { return scratch_ / "Gear/Lib" / name; }

    std::vector<std::string> lines;
    fs::path previous_ = AppDirectory();
    ScratchDirectory scratch_;

private:
    static void Collect(void* self, int, const std::string& text) {
        static_cast<PluginScanTest*>(self)->lines.push_back(text);
    }
};

// Whether a process has ended: gone, or a zombie nobody has reaped yet.
bool Ended(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidText;
    std::string name;
    std::string state;
    return !(stat >> pidText >> name >> state) || state == "Z";
}

TEST_F(PluginScanTest, BrokenLibrariesAreRefusedAsideAndRememberedUntilScannedAgain) {
    MachineFactory factory(BuiltinMachines(), &VstAdapter::Make);
    VstPluginScan scan(kLimit);
    const fs::path helperFile = scratch_ / "helper.pid";
    setenv("TARN_TEST_HELPER_FILE", helperFile.c_str(), 1);
    std::map<std::string, std::string> refusals = Refusals(factory, scan);
    unsetenv("TARN_TEST_HELPER_FILE");
    ASSERT_EQ(refusals.size(), 8u);
    EXPECT_EQ(refusals["Click-main"], "");
    EXPECT_EQ(refusals["Slow"], "");
    // A helper that keeps the answer's pipe open delays nothing, and it
    // ends with the probe.
    EXPECT_EQ(refusals["Forks"], "");
    pid_t helper = 0;
    ASSERT_TRUE(std::ifstream(helperFile) >> helper);
    for (int wait = 0; wait < 200 && !Ended(helper); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(Ended(helper)) << helper;
    // A crash shows as its signal, or as the sanitizer's exit where one
    // reports it first.
    EXPECT_TRUE(refusals["Crash"].starts_with("crashed (signal ") ||
                refusals["Crash"].starts_with("stopped without an answer"))
        << refusals["Crash"];
    EXPECT_EQ(refusals["Hang"],
              "did not answer within 4000 ms; tried again with 12000 ms at the next start");
    EXPECT_EQ(refusals["NoExport"], "no VST 2 entry point");
    EXPECT_TRUE(refusals["Text"].starts_with("not a loadable library")) << refusals["Text"];
    EXPECT_EQ(lines.size(), 4u);
    const auto& verdict = scan.Verdicts().at(Lib("Click-main.so"));
    EXPECT_EQ(verdict.result.kind, "instrument");
    EXPECT_EQ(verdict.result.name, std::string(VstAdapter::kKeptText, 'P'));

    // A refused library is never loaded; a good one is.
    lines.clear();
    EXPECT_FALSE(factory.CreateMachine("Crash").has_value());
    EXPECT_EQ(lines, (std::vector<std::string>{"error: the adapter 'VST' failed to load '" +
                                               Lib("Crash.so").string() + "'"}));
    EXPECT_TRUE(factory.CreateMachine("Click-main").has_value());

    // The verdicts come from the cache file while the libraries stay as
    // they are: a doctored reason shows. A new scan tries them all again.
    XmlTree cache;
    ASSERT_EQ(cache.Load(AppPath(VstPluginScan::kCacheFile)), 1);
    for (auto [index, item] : cache.Root()->Children()) {
        if (item->ChildValueByName("path") == Lib("NoExport.so").string()) {
            item->ChildByName("reason")->SetValue("remembered");
        }
    }
    ASSERT_EQ(cache.Save(AppPath(VstPluginScan::kCacheFile)), 1);
    lines.clear();
    VstPluginScan remembered(kLimit, kLimit);
    EXPECT_EQ(Refusals(factory, remembered)["NoExport"], "remembered");
    // Only the slow one is tried again.
    EXPECT_EQ(lines, std::vector<std::string>{"warning: plug-in '" + Lib("Hang.so").string() +
                                              "' refused: did not answer within 4000 ms, the "
                                              "second time too"});
    VstPluginScan again(kLimit);
    EXPECT_EQ(Refusals(factory, again, true)["NoExport"], "no VST 2 entry point");
}

// A library that misses the time limit once (a busy machine, say) is
// refused for the run only: the next start tries it with a longer limit,
// and only a library that misses that too is refused for good.
TEST_F(PluginScanTest, ASlowLibraryIsTriedAgainWithALongerLimitBeforeItIsRefused) {
    constexpr std::chrono::milliseconds kShort{500};
    MachineFactory factory(BuiltinMachines(), &VstAdapter::Make);
    VstPluginScan first(kShort, kLimit);
    std::map<std::string, std::string> refusals = Refusals(factory, first);
    const std::string once = "did not answer within 500 ms; tried again with 4000 ms at the next "
                             "start";
    EXPECT_EQ(refusals["Slow"], once);
    EXPECT_EQ(refusals["Hang"], once);
    VstPluginScan second(kShort, kLimit);
    refusals = Refusals(factory, second);
    EXPECT_EQ(refusals["Slow"], "");
    const std::string twice = "did not answer within 4000 ms, the second time too";
    EXPECT_EQ(refusals["Hang"], twice);
    lines.clear();
    VstPluginScan third(kShort, kLimit);
    EXPECT_EQ(Refusals(factory, third)["Hang"], twice);
    EXPECT_TRUE(lines.empty());
}

// A library that passes the probe but crashes the process while it plays
// is refused at the next start with that reason, until a scan tries it.
TEST_F(PluginScanTest, ALibraryThatCrashedWhilePlayingIsRefusedUntilScannedAgain) {
    const pid_t child = fork();
    if (child == 0) {
        // A studio process that plays the library: its scan turns the
        // marks on.
        EnablePlayingMarks();
        MachineFactory factory(BuiltinMachines(), &VstAdapter::Make);
        factory.Registry().Build();
        std::optional<MachineHandle> machine = factory.CreateMachine("LateCrash");
        if (machine) {
            MachineHost host(machine->Instance());
            host.Run(100 * kMaxChunkFrames);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    // The signal, or the sanitizer's exit where one reports it first.
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    MachineFactory factory(BuiltinMachines(), &VstAdapter::Make);
    VstPluginScan next(kLimit);
    const std::string crashed = "crashed while playing; plugins scan tries it again";
    EXPECT_EQ(Refusals(factory, next)["LateCrash"], crashed);
    EXPECT_EQ(lines.front(),
              "warning: plug-in '" + Lib("LateCrash.so").string() + "' refused: " + crashed);
    VstPluginScan remembered(kLimit, kLimit);
    EXPECT_EQ(Refusals(factory, remembered)["LateCrash"], crashed);
    VstPluginScan scan(kLimit);
    EXPECT_EQ(Refusals(factory, scan, true)["LateCrash"], "");
}

TEST_F(PluginScanTest, CommandsListEveryGoodPluginBesideTheRefusedOnes) {
    const auto run = [](std::vector<std::string> arguments, std::string& out) {
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        ::testing::internal::CaptureStdout();
        const int status = RunCommandLine(static_cast<int>(argv.size()), argv.data());
        out = ::testing::internal::GetCapturedStdout();
        return status;
    };
    // Scanned twice with a short time limit, so that the hanging library
    // is refused for good; the commands then find the verdicts in the
    // cache and wait for no library.
    MachineFactory factory(BuiltinMachines(), &VstAdapter::Make);
    VstPluginScan scan(kLimit);
    Refusals(factory, scan);
    VstPluginScan again(kLimit, kLimit);
    Refusals(factory, again);
    // Names of libraries that are none are listed with why.
    fs::create_directory(Lib("Folder.so"));
    fs::create_symlink("Loop.so", Lib("Loop.so"));
    fs::create_symlink("missing.so", Lib("Gone.so"));
    const fs::path before = fs::current_path();
    fs::current_path(scratch_.Path());
    std::string out;
    EXPECT_EQ(run({"tarn", "plugins", "list"}, out), 0);
    EXPECT_NE(out.find("Plug-ins (8):"), std::string::npos) << out;
    EXPECT_NE(out.find("Skipped (3):\n  " + Lib("Folder.so").string() +
                       ": a folder, not a library\n  " + Lib("Gone.so").string() +
                       ": a symbolic link to nothing ('missing.so')\n  " + Lib("Loop.so").string() +
                       ": a loop of symbolic links\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Click-main  instrument \"PPP"), std::string::npos) << out;
    EXPECT_NE(out.find("Hang        refused: did not answer within 4000 ms, the second time too"),
              std::string::npos)
        << out;

    EXPECT_EQ(run({"tarn", "machines"}, out), 0);
    const auto line = [&out](const std::string& name) {
        const std::size_t start = out.find("  " + name + " ");
        return start == std::string::npos ? std::string()
                                          : out.substr(start, out.find('\n', start) - start);
    };
    EXPECT_TRUE(line("Click-main").ends_with(Lib("Click-main.so").string() + ", adapter VST"))
        << out;
    EXPECT_NE(line("Crash").find(Lib("Crash.so").string() + ", adapter VST, refused: "),
              std::string::npos)
        << out;
    fs::current_path(before);
}

} // namespace
} // namespace tarn::test
