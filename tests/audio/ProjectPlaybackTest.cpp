#include "audio/JackDevice.h"
#include "audio/JackPlaythrough.h"
#include "audio/JackTestServer.h"
#include "audio/SendMessage.h"
#include "audio/WaveOutDriver.h"
#include "base/MessagePipe.h"
#include "engine/CoreEngine.h"
#include "engine/CurrentProject.h"
#include "engine/Project.h"
#include "sequencing/SequencingFixture.h"
#include "support/CapturedLines.h"
#include "support/RenderMachine.h"
#include "support/SineVoice.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {
namespace {

using test::AttachHost;
using test::CapturedLines;
using test::JackPlaythrough;
using test::JackTestServer;
using test::SendMessage;
using test::SineVoice;
using test::SineVoiceLog;

// One note every quarter beat at the song's 60 BPM.
constexpr std::uint64_t kFramesPerNote = 44100 / 4;

// Makes the Master stand-in (a stereo pass-through with the song tempo) and
// voices that report to log.
MachineCreator Machines(SineVoiceLog& log) {
    return [&log](std::string_view name) -> std::optional<MachineHandle> {
        if (name == "Master") {
            return MachineHandle(std::make_unique<test::RenderMachine>(
                                     test::RenderSetup{.kind = kKindMaster,
                                                       .inputs = 2,
                                                       .sound = test::Sound::kPassThrough,
                                                       .tempoParameter = true,
                                                       .record = false},
                                     std::make_shared<test::RenderLog>()),
                                 std::string(name));
        }
        return MachineHandle(std::make_unique<SineVoice>(log), std::string(name));
    };
}

// A voice into the Master, playing a four-beat pattern of sixteen notes
// that wander over two octaves; the song is playing from its start.
std::unique_ptr<Project> MakeSong(const MachineCreator& machines, const TempoRecord& tempo) {
    auto project = std::make_unique<Project>(machines, tempo);
    EXPECT_EQ(project->CreateNode("Master"), Project::kMasterId);
    const int voice = project->CreateNode("Voice");
    EXPECT_EQ(project->ConnectMachines(voice, Project::kMasterId), 1);
    Node& node = *project->GetNode(voice);
    const int pattern = CreatePattern(node, -1, 4, 4, 0);
    for (int step = 0; step < 16; ++step) {
        PatternEventRecord note = test::MakeEvent(kGroupMachine, SineVoice::kNoteParameter, 0,
                                                  (step % 4) * 0.25, 45 + (step * 7) % 24);
        note.event.velocity = 1.0;
        EXPECT_EQ(AddClampedEvent(*project, voice, pattern, step / 4, note), 1);
    }
    node.SequenceTracks().Create(0);
    EXPECT_EQ(node.SequenceTracks().Get(0)->PlacePattern(0, pattern), 1);
    project->Transport().PlaySong();
    return project;
}

TEST(ProjectPlayback, TheEnginePlaysAProjectThroughJackAsItRendersItOffline) {
    JackTestServer server(44100);
    if (!server.Running()) {
        GTEST_SKIP() << "no private JACK server on the dummy backend: " << server.Problem();
    }
    CapturedLines lines;
    SineVoiceLog liveLog;
    const MachineCreator liveMachines = Machines(liveLog);
    CurrentProject live;
    CoreEngine engine(live);
    engine.Start();

    auto device = std::make_unique<JackDevice>();
    JackDevice& jack = *device;
    WaveOutDriver driver(std::move(device));
    ASSERT_EQ(AttachHost(driver, engine.RenderLink()), 1);
    ASSERT_EQ(SendMessage(driver, kDeviceOpen), 1)
        << testing::PrintToString(lines.Of(kMessageLine));
    EXPECT_EQ(engine.Tempo().sampleRate, 44100.0);
    live.Set(MakeSong(liveMachines, engine.Tempo()));

    JackPlaythrough playthrough(driver, jack);
    ASSERT_TRUE(playthrough.Listen());
    ASSERT_TRUE(playthrough.Play(2 * 44100, [&] { return liveLog.frames.load(); }));
    ASSERT_EQ(SendMessage(driver, kDeviceClose), 1);
    playthrough.ExpectRealTimePace();
    const std::uint64_t rendered = playthrough.Rendered();
    // The song really played: every note due within the stream, the first
    // one on frame 0.
    EXPECT_EQ(liveLog.notes.load(), (rendered + kFramesPerNote - 1) / kFramesPerNote);

    // The same song from the same start, rendered by an engine of its own in
    // the driver's blocks.
    SineVoiceLog offlineLog;
    const MachineCreator offlineMachines = Machines(offlineLog);
    CurrentProject offline;
    CoreEngine reference(offline);
    reference.Start();
    offline.Set(MakeSong(offlineMachines, reference.Tempo()));
    std::array<std::vector<double>, 2> expected;
    for (std::vector<double>& channel : expected) {
        channel.assign(rendered, 0.0);
    }
    AudioBuffer block;
    block.frameCount = 800;
    for (std::uint64_t done = 0; done + 800 <= rendered; done += 800) {
        std::array<double*, 2> outputs = {expected[0].data() + done, expected[1].data() + done};
        block.outputs = outputs.data();
        ASSERT_EQ(reference.WorkCycle(block), 1);
    }
    EXPECT_EQ(offlineLog.frames.load(), rendered);
    EXPECT_EQ(offlineLog.notes.load(), liveLog.notes.load());

    playthrough.ExpectHeard([&](int channel, std::uint64_t frame) {
        return expected[static_cast<std::size_t>(channel)][frame];
    });
    EXPECT_TRUE(lines.Of(kErrorLine).empty()) << testing::PrintToString(lines.Of(kErrorLine));
}

} // namespace
} // namespace tarn
