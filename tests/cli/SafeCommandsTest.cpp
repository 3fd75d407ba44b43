#include "cli/CommandLineFixture.h"

#include "document/ProjectFile.h"
#include "document/ProjectFileReader.h"
#include "document/ProjectFileWriter.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "machines/builtin/AnalogBass.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/MachineFactory.h"
#include "studio/Studio.h"
#include "support/SignalMeasures.h"
#include "support/WaveFile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using SafeCommandsTest = test::CommandLineFixture;

// Any machine name: a master-less effect that does nothing.
class GhostMachine : public Machine {
public:
    std::int32_t Describe() override {
        MachineInfo info = MachineInfo::Builtin(kKindEffect, "Ghost", "Ghost");
        DescribeInfo(info);
        return 1;
    }
};

// Hidden temporary files a render leaves beside its target.
int LeftOvers(const fs::path& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        count += entry.path().filename().string().rfind(".", 0) == 0;
    }
    return count;
}

// Runs a long render in a child process and sends it signal once the render
// has begun writing; the child's exit status, or -signal when it was killed.
int RenderAndSignal(const std::string& output, int signal) {
    const pid_t child = fork();
    if (child == 0) {
        std::vector<std::string> arguments{"tarn", "render",  "p.tarn", "-o",
                                           output, "--beats", "20000",  "-q"};
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        _exit(RunCommandLine(static_cast<int>(argv.size()), argv.data()));
    }
    for (int wait = 0; wait < 3000 && LeftOvers(fs::current_path()) == 0; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

TEST_F(SafeCommandsTest, RendersNeverDestroyAFile) {
    ASSERT_EQ(Run({"tarn", "new", "p.tarn"}), 0) << err;
    const std::string project = test::ReadFile(scratch_ / "p.tarn");
    // The project itself, under any name, and files that are not sounds.
    Write("p.wav", project);
    Write("notes.wav", "my notes");
    for (const std::vector<std::string>& refused :
         std::vector<std::vector<std::string>>{{"-o", "p.tarn"},
                                               {"-o", "notes.wav"},
                                               {"-o", "x.mp3"},
                                               {"-o", ""},
                                               {"-o", "Skins/"},
                                               {"-o", "Skins"},
                                               {"-o", "/dev/null"}}) {
        std::vector<std::string> arguments{"tarn", "render", "p.tarn"};
        arguments.insert(arguments.end(), refused.begin(), refused.end());
        EXPECT_EQ(Run(arguments), 1) << refused[1];
        EXPECT_EQ(err.rfind("error: ", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_EQ(Run({"tarn", "render", "p.wav", "-o", "p.wav", "--force"}), 1);
    EXPECT_NE(err.find("is the project being rendered"), std::string::npos) << err;
    EXPECT_EQ(test::ReadFile(scratch_ / "p.tarn"), project);
    EXPECT_EQ(test::ReadFile(scratch_ / "p.wav"), project);
    EXPECT_EQ(test::ReadFile(scratch_ / "notes.wav"), "my notes");
    EXPECT_EQ(Run({"tarn", "render", "p.tarn", "-o", "notes.wav", "--force", "--beats", "1"}), 0);
    EXPECT_EQ(Run({"tarn", "render", "p.tarn", "-o", "/proc/x.wav"}), 1);
    EXPECT_EQ(err.rfind("error: cannot write '/proc/x.wav': ", 0), 0u) << err;

    // A good render is replaced by a good render, never by a broken one.
    ASSERT_EQ(Run({"tarn", "render", "p.tarn", "-o", "good.wav", "--beats", "2"}), 0) << err;
    EXPECT_EQ(out.rfind("rendered 44100 frames (1.00 s of audio) to good.wav in ", 0), 0u) << out;
    ASSERT_EQ(Run({"tarn", "render", "p.tarn", "-o", "good.wav", "--beats", "3"}), 0) << err;
    const std::string good = test::ReadFile(scratch_ / "good.wav");
    // A full disk: writes past 200 kB fail.
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const rlimit small{200000, previous.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_EQ(Run({"tarn", "render", "p.tarn", "-o", "good.wav", "--beats", "20"}), 1);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(err.rfind("error: ", 0), 0u) << err;
    EXPECT_NE(err.find("'good.wav': " + std::string(std::strerror(EFBIG))), std::string::npos)
        << err;
    EXPECT_TRUE(test::ReadFile(scratch_ / "good.wav") == good);
    EXPECT_EQ(LeftOvers(scratch_.Path()), 0);
    // Stopped politely: exit 130 and no trace; killed: the old file stays.
    EXPECT_EQ(RenderAndSignal("good.wav", SIGTERM), 130);
    EXPECT_TRUE(test::ReadFile(scratch_ / "good.wav") == good);
    EXPECT_EQ(LeftOvers(scratch_.Path()), 0);
    EXPECT_EQ(RenderAndSignal("good.wav", SIGKILL), -SIGKILL);
    EXPECT_TRUE(test::ReadFile(scratch_ / "good.wav") == good);

    // Projects are not overwritten without --force either.
    EXPECT_EQ(Run({"tarn", "new", "p.tarn"}), 1);
    EXPECT_NE(err.find("use --force"), std::string::npos) << err;
    EXPECT_EQ(Run({"tarn", "new", "p.tarn", "--force"}), 0) << err;
    ASSERT_EQ(Run({"tarn", "demo", "--no-play", "-o", "d.wav"}), 0) << err;
    EXPECT_EQ(Run({"tarn", "demo", "--no-play", "-o", "d.wav"}), 1);
}

TEST_F(SafeCommandsTest, UsageErrorsAndWarningsHaveTheirOwnExits) {
    ASSERT_EQ(Run({"tarn", "new", "p.tarn"}), 0) << err;
    for (const char* beats : {"nan", "inf", "0", "-0", "-1", "1e999", "two", ""}) {
        EXPECT_EQ(Run({"tarn", "render", "p.tarn", "-o", "x.wav", "--beats", beats}), 2) << beats;
        EXPECT_EQ(err.rfind("error: ", 0), 0u) << err;
        EXPECT_NE(err.find("must be a finite number above 0"), std::string::npos) << err;
        EXPECT_EQ(Run({"tarn", "play", "p.tarn", "--beats", beats}), 2) << beats;
    }
    EXPECT_EQ(Run({"tarn", "nonsense"}), 2);
    EXPECT_EQ(Run({"tarn", "render", "p.tarn"}), 2);
    EXPECT_EQ(Run({"tarn", "--version"}), 0);
    EXPECT_FALSE(fs::exists(scratch_ / "x.wav"));

    // Longer than a WAVE file holds: refused at once, with what fits.
    EXPECT_EQ(Run({"tarn", "render", "p.tarn", "-o", "x.wav", "--beats", "1e7"}), 1);
    EXPECT_NE(err.find("the longest render that fits is 24347 beats"), std::string::npos) << err;
    EXPECT_NE(err.find(".raw"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(scratch_ / "x.wav"));

    // A machine this studio does not have: the rest renders, and says so;
    // --strict refuses.
    {
        const MachineFactory factory(BuiltinMachines());
        Studio other([&factory](std::string_view name) -> std::optional<MachineHandle> {
            if (name == "Tarn Ghost") {
                return MachineHandle(std::make_unique<GhostMachine>(), std::string(name));
            }
            return factory.CreateMachine(name);
        });
        std::unique_ptr<Project> project = other.NewProject();
        ASSERT_GE(project->CreateNode("Tarn Ghost"), 0);
        ASSERT_EQ(SaveProject(*project, scratch_ / "g.tarn"), 1);
    }
    ASSERT_EQ(Run({"tarn", "render", "g.tarn", "-o", "g.wav", "--beats", "1"}), 0) << err;
    EXPECT_NE(err.find("warning: 'g.tarn' loaded with 1 warning\n"), std::string::npos) << err;
    EXPECT_EQ(Run({"tarn", "render", "g.tarn", "-o", "g2.wav", "--beats", "1", "--strict"}), 1);
    // The machine missing is told as an error line too.
    EXPECT_NE(err.find("error: 'g.tarn' loaded with 1 error and 1 warning (--strict)"),
              std::string::npos)
        << err;
    EXPECT_FALSE(fs::exists(scratch_ / "g2.wav"));
    EXPECT_EQ(Run({"tarn", "render", "p.tarn", "-o", "g2.wav", "--beats", "1", "--strict"}), 0);
    EXPECT_EQ(Run({"tarn", "dump", "g.tarn", "--strict"}), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(Run({"tarn", "dump", "g.tarn"}), 0);
    EXPECT_NE(err.find("warning: 'g.tarn' loaded with 1 warning\n"), std::string::npos) << err;

    // An error line of the load (a connection from a machine that is not
    // there) is refused by --strict as well, whichever command loads it;
    // without it the rest of the project goes on as before.
    ASSERT_EQ(Run({"tarn", "dump", "p.tarn"}), 0) << err;
    Json json = Json::parse(out);
    json["connections"].push_back({{"source", 7}, {"destination", 0}, {"index", 0}});
    Write("badconn.json", json.dump());
    const std::string missing = "error: node 7 does not exist\n";
    EXPECT_EQ(Run({"tarn", "import", "badconn.json", "-o", "b.tarn", "--strict"}), 1);
    EXPECT_EQ(err, missing + "error: 'badconn.json' loaded with 1 error (--strict)\n");
    EXPECT_FALSE(fs::exists(scratch_ / "b.tarn"));
    EXPECT_EQ(Run({"tarn", "import", "badconn.json", "-o", "b.tarn"}), 0);
    EXPECT_EQ(err, missing);
    ProjectDocument document;
    ASSERT_EQ(ReadProjectFile(scratch_ / "g.tarn", document), 1);
    document.connections.push_back({0, 7, Project::kMasterId});
    ASSERT_EQ(WriteProjectFile(document, scratch_ / "bad.tarn"), 1);
    const std::string refused = "error: 'bad.tarn' loaded with 2 errors and 1 warning (--strict)\n";
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"tarn", "render", "bad.tarn", "-o", "bad.wav", "--beats", "1", "--strict"},
             {"tarn", "play", "bad.tarn", "--beats", "1", "--strict"},
             {"tarn", "dump", "bad.tarn", "--strict"}}) {
        EXPECT_EQ(Run(command), 1) << command[1];
        EXPECT_NE(err.find(missing), std::string::npos) << err;
        EXPECT_NE(err.find(refused), std::string::npos) << err;
        EXPECT_EQ(out, "") << command[1];
    }
    EXPECT_FALSE(fs::exists(scratch_ / "bad.wav"));
    EXPECT_EQ(Run({"tarn", "render", "bad.tarn", "-o", "bad.wav", "--beats", "1"}), 0) << err;
}

TEST_F(SafeCommandsTest, DumpAndImportRoundTrip) {
    ASSERT_EQ(Run({"tarn", "demo", "--no-play", "-q"}), 0) << err;
    ASSERT_EQ(Run({"tarn", "dump", "Out/Demo.tarn"}), 0) << err;
    const std::string demo = out;
    const Json dumped = Json::parse(demo);
    EXPECT_EQ(dumped["machines"][0]["parameters"][0]["name"], "Volume");
    Write("demo.json", demo);
    ASSERT_EQ(Run({"tarn", "import", "demo.json", "-o", "again.tarn"}), 0) << err;
    ASSERT_EQ(Run({"tarn", "dump", "again.tarn"}), 0) << err;
    EXPECT_EQ(out, demo);
    ASSERT_EQ(Run({"tarn", "render", "again.tarn", "-o", "again.wav", "-q"}), 0) << err;
    EXPECT_TRUE(test::ReadFile(scratch_ / "again.wav") ==
                test::ReadFile(scratch_ / "Out/Demo.wav"));

    // Waves travel as float WAVE files; a name that is not UTF-8 is shown
    // with replacement characters.
    {
        Studio studio;
        std::unique_ptr<Project> project = studio.NewProject();
        auto sound = std::make_unique<Sound>(SoundFormat{3, 2, 32, 22050, 1});
        std::ranges::copy(std::array{0.5f, -0.25f, 1e-3f}, sound->Samples(0).begin());
        std::ranges::copy(std::array{0.0f, 1.0f, -1.0f}, sound->Samples(1).begin());
        sound->LoopPoints()[0] = {1, 0, 0.0, 2.0};
        auto wave = std::make_unique<Wave>();
        wave->Set(std::move(sound), "kick \xff");
        project->Waves().Place(2, std::move(wave));
        project->GetNode(Project::kMasterId)->SetName("Main \xc3");
        ASSERT_EQ(SaveProject(*project, scratch_ / "waves.tarn"), 1);
        // Another song with other samples, one wave too large for the disk.
        for (const int index : {2, 3}) {
            auto other = std::make_unique<Wave>();
            other->Set(
                std::make_unique<Sound>(SoundFormat{index == 2 ? 10000 : 100000, 2, 32, 44100, 0}),
                "pad");
            project->Waves().Place(index, std::move(other));
        }
        ASSERT_EQ(SaveProject(*project, scratch_ / "large.tarn"), 1);
    }
    ASSERT_EQ(Run({"tarn", "dump", "waves.tarn", "--waves", "w"}), 0) << err;
    const std::string waves = out;
    EXPECT_NE(waves.find("\"Main \xEF\xBF\xBD\""), std::string::npos) << waves;
    EXPECT_EQ(Json::parse(waves)["waves"][0]["file"], "w/wave-2.wav");
    Write("waves.json", waves);
    ASSERT_EQ(Run({"tarn", "import", "waves.json", "-o", "waves2.tarn"}), 0) << err;
    ASSERT_EQ(Run({"tarn", "dump", "waves2.tarn", "--waves", "w"}), 0) << err;
    EXPECT_EQ(out, waves);
    // A disk that fills up midway: no JSON, and the earlier export is kept
    // whole, every wave of it, so that it still imports.
    const std::string exported = test::ReadFile(scratch_ / "w/wave-2.wav");
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const rlimit small{200000, previous.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_EQ(Run({"tarn", "dump", "large.tarn", "--waves", "w"}), 1);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err,
              "error: cannot write 'w/wave-3.wav': " + std::string(std::strerror(EFBIG)) + "\n");
    EXPECT_TRUE(test::ReadFile(scratch_ / "w/wave-2.wav") == exported);
    EXPECT_FALSE(fs::exists(scratch_ / "w/wave-3.wav"));
    EXPECT_EQ(LeftOvers(scratch_ / "w"), 0);
    ASSERT_EQ(Run({"tarn", "import", "waves.json", "-o", "waves3.tarn"}), 0) << err;
    ASSERT_EQ(Run({"tarn", "dump", "waves3.tarn", "--waves", "w"}), 0) << err;
    EXPECT_EQ(out, waves);

    // The tempo dumped is the tempo played: a BPM the Master refuses is
    // replaced, in the dump and in the render alike.
    Json fast = Json::parse(demo);
    fast["bpm"] = 1e6;
    Write("fast.json", fast.dump());
    ASSERT_EQ(Run({"tarn", "import", "fast.json", "-o", "fast.tarn"}), 0) << err;
    ASSERT_EQ(Run({"tarn", "dump", "fast.tarn"}), 0) << err;
    const double bpm = Json::parse(out)["bpm"];
    EXPECT_LT(bpm, 1e6);
    ASSERT_EQ(Run({"tarn", "render", "fast.tarn", "-o", "fast.wav", "--beats", "8"}), 0) << err;
    const auto frames = static_cast<std::uintmax_t>(std::ceil(8 * 60.0 / bpm * 44100 - 1e-6));
    EXPECT_EQ(fs::file_size(scratch_ / "fast.wav"), 46 + frames * 8);

    // A tempo the JSON gives plays: short notes on beats 0 and 2 of a bass
    // imported at 90 BPM sound at 0 and 58800 frames, and nothing sounds
    // where 120 BPM would have put the second.
    {
        Studio studio;
        std::unique_ptr<Project> project = studio.NewProject();
        const int bass = project->CreateNode("Tarn Analog Bass");
        ASSERT_EQ(project->ConnectMachines(bass, Project::kMasterId), 1);
        Node& node = *project->GetNode(bass);
        node.WriteParameter(kGroupMachine, 0, AnalogBass::kRelease,
                            node.FindParameter(kGroupMachine, AnalogBass::kRelease)->minimum);
        const int pattern = CreatePattern(node, -1, 4, 4, 0);
        for (const int beat : {0, 2}) {
            PatternEventRecord note;
            note.event.group = kGroupMachine;
            note.event.index = AnalogBass::kNote;
            note.event.value = 45.0;
            note.event.noteLength = 0.25;
            note.event.velocity = 1.0;
            ASSERT_EQ(AddClampedEvent(*project, bass, pattern, beat, note), 1);
        }
        node.SequenceTracks().Create(0);
        node.SequenceTracks().Get(0)->PlacePattern(0, pattern);
        ASSERT_EQ(SaveProject(*project, scratch_ / "notes.tarn"), 1);
    }
    ASSERT_EQ(Run({"tarn", "dump", "notes.tarn"}), 0) << err;
    Json slow = Json::parse(out);
    slow["bpm"] = 90.0;
    Write("slow.json", slow.dump());
    ASSERT_EQ(Run({"tarn", "import", "slow.json", "-o", "slow.tarn"}), 0) << err;
    ASSERT_EQ(Run({"tarn", "render", "slow.tarn", "-o", "slow.wav", "--beats", "4"}), 0) << err;
    const test::WaveFile played = test::ReadWave(test::ReadFile(scratch_ / "slow.wav"));
    ASSERT_EQ(played.samples.size(), 2u * 4u * 29400u);
    const auto loudness = [&played](std::size_t frame) {
        return test::Rms(std::span<const double>(played.samples).subspan(2 * frame, 2 * 2205));
    };
    EXPECT_GT(loudness(0), 0.01);
    EXPECT_GT(loudness(58800), 0.01);
    EXPECT_LT(loudness(44100), loudness(58800) * 0.1);

    // Broken JSON changes nothing and says where.
    Write("bad.json", "{\n  \"bpm\": 120,,\n}");
    EXPECT_EQ(Run({"tarn", "import", "bad.json", "-o", "bad.tarn"}), 1);
    EXPECT_NE(err.find("line 2, column"), std::string::npos) << err;
    EXPECT_EQ(err.find("json.exception"), std::string::npos) << err;
    Json badState = Json::parse(demo);
    badState["machines"][0]["state"] = "00zz";
    Write("bad.json", badState.dump());
    EXPECT_EQ(Run({"tarn", "import", "bad.json", "-o", "bad.tarn"}), 1);
    EXPECT_EQ(err, "error: 'bad.json': machine 0 ('" +
                       badState["machines"][0]["name"].get<std::string>() +
                       "') has a state that holds 'zz' at digit 3, which are not hex digits\n");
    badState["machines"][0]["state"] = "";
    badState["machines"][0]["tracks"] = 1e40;
    Write("bad.json", badState.dump());
    EXPECT_EQ(Run({"tarn", "import", "bad.json", "-o", "bad.tarn"}), 1);
    EXPECT_EQ(err, "error: 'bad.json': \"tracks\" is 1e+40, not a whole number from -2147483648 "
                   "to 2147483647\n");
    EXPECT_FALSE(fs::exists(scratch_ / "bad.tarn"));
}

// Files a command reads are refused, before a byte is read, when reading
// them could wait forever or fill the memory; waves outside the JSON's
// folder are read only when asked to.
TEST_F(SafeCommandsTest, FilesThatCannotBeReadSafelyAreRefusedWithTheReason) {
    {
        Studio studio;
        std::unique_ptr<Project> project = studio.NewProject();
        auto wave = std::make_unique<Wave>();
        wave->Set(std::make_unique<Sound>(SoundFormat{64, 1, 32, 44100, 0}), "tick");
        project->Waves().Place(1, std::move(wave));
        ASSERT_EQ(SaveProject(*project, scratch_ / "p.tarn"), 1);
    }
    ASSERT_EQ(Run({"tarn", "dump", "p.tarn", "--waves", "w"}), 0) << err;
    Json song = Json::parse(out);
    ASSERT_EQ(mkfifo((scratch_ / "pipe").c_str(), 0600), 0);
    fs::create_directory(scratch_ / "folder");
    std::ofstream(scratch_ / "huge.wav") << "RIFF";
    fs::resize_file(scratch_ / "huge.wav", std::uintmax_t{5} << 30);
    const std::string pipe = "it is not a regular file but a pipe, a device or a socket";
    const std::string outside = "is outside the JSON's folder; use --allow-outside to read it";
    for (const auto& [file, reason, allowed] :
         std::vector<std::tuple<std::string, std::string, bool>>{
             {"pipe", pipe, false},
             {"folder", "it is a folder", false},
             {"huge.wav", "it is larger than the 4 GiB a WAVE can hold", false},
             {"/dev/zero", outside, false},
             {"../w/wave-1.wav", outside, false},
             {"/dev/zero", pipe, true}}) {
        song["waves"][0]["file"] = file;
        Write("song.json", song.dump());
        std::vector<std::string> arguments{"tarn", "import", "song.json", "-o", "s.tarn"};
        if (allowed) {
            arguments.push_back("--allow-outside");
        }
        EXPECT_EQ(Run(arguments), 1) << file;
        EXPECT_NE(err.find(reason), std::string::npos) << file << ": " << err;
        EXPECT_NE(err.find("'" + file + "'"), std::string::npos) << err;
    }
    EXPECT_FALSE(fs::exists(scratch_ / "s.tarn"));
    song["waves"][0]["file"] = (scratch_ / "w/wave-1.wav").string();
    Write("song.json", song.dump());
    EXPECT_EQ(Run({"tarn", "import", "song.json", "-o", "s.tarn", "--allow-outside"}), 0) << err;
    // The project or the JSON itself.
    EXPECT_EQ(Run({"tarn", "dump", "pipe"}), 1);
    EXPECT_EQ(err, "error: 'pipe' could not be read: " + pipe + "\n");
    EXPECT_EQ(Run({"tarn", "import", "folder", "-o", "f.tarn"}), 1);
    EXPECT_EQ(err, "error: cannot read 'folder': it is a folder\n");
}

// What a command prints must arrive: standard output on a full disk makes
// every command fail with one error line giving the reason, whether the
// failure comes in the middle of the output or at its final flush.
TEST_F(SafeCommandsTest, StandardOutputThatCannotBeWrittenIsAFailure) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "this system has no /dev/full";
    }
    ASSERT_EQ(Run({"tarn", "new", "p.tarn"}), 0) << err;
    // A project whose JSON is longer than any output buffer: it fails while
    // it is being written.
    {
        Studio studio;
        std::unique_ptr<Project> project = studio.NewProject();
        for (int i = 0; i < 16; ++i) {
            ASSERT_GE(project->CreateNode("Tarn Analog Bass"), 0);
        }
        ASSERT_EQ(SaveProject(*project, scratch_ / "big.tarn"), 1);
    }
    ASSERT_EQ(Run({"tarn", "dump", "big.tarn"}), 0) << err;
    EXPECT_GT(out.size(), 4u * BUFSIZ);
    const std::string failed =
        "error: cannot write to standard output: " + std::string(std::strerror(ENOSPC)) + "\n";
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"tarn", "dump", "p.tarn"},
             {"tarn", "dump", "big.tarn"},
             {"tarn", "machines"},
             {"tarn", "machines", "Tarn Analog Bass"},
             {"tarn", "plugins", "list"},
             {"tarn", "new", "q.tarn"},
             {"tarn", "render", "p.tarn", "-o", "p.wav", "--beats", "1"},
             {"tarn", "--help"}}) {
        EXPECT_EQ(RunWritingTo("/dev/full", command), 1) << command[1];
        // After what the command said itself (the catalogue this folder
        // lacks, for the machines), once.
        EXPECT_TRUE(err.ends_with(failed)) << command[1] << ": " << err;
        EXPECT_EQ(err.find(failed), err.rfind(failed)) << err;
    }
    EXPECT_NE(test::ReadFile(scratch_ / "Out/Console.log").find("[ERR] " + failed),
              std::string::npos);
    // The same commands with somewhere to write succeed again.
    EXPECT_EQ(RunWritingTo("/dev/null", {"tarn", "dump", "p.tarn"}), 0) << err;
    EXPECT_EQ(err, "");
}

TEST_F(SafeCommandsTest, AFolderThatIsNoApplicationDirectoryUsesTheUsersOwn) {
    const char* previous = std::getenv("XDG_DATA_HOME");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("XDG_DATA_HOME", (scratch_ / "data").c_str(), 1);
    fs::create_directories(scratch_ / "empty");
    fs::current_path(scratch_ / "empty");
    EXPECT_EQ(Run({"tarn", "machines"}), 0);
    const fs::path user = scratch_ / "data/tarn-studio";
    EXPECT_NE(err.find("made the application directory '" + user.string() + "'"), std::string::npos)
        << err;
    EXPECT_TRUE(fs::exists(user / "Plugin/Gear/Gear.config.xml"));
    EXPECT_TRUE(fs::exists(user / "Out/Console.log"));
    EXPECT_EQ(Run({"tarn", "machines"}), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(Run({"tarn", "new", "here.tarn"}), 0) << err;
    EXPECT_TRUE(fs::exists(scratch_ / "empty/here.tarn"));
    EXPECT_FALSE(fs::exists(scratch_ / "empty/Out"));
    if (previous != nullptr) {
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

} // namespace
} // namespace tarn
