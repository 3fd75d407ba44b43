#include "audio/LiveNote.h"
#include "base/AppDirectory.h"
#include "document/ProjectFile.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "machines/framework/vst/VstAdapter.h"
#include "studio/RenderSong.h"
#include "studio/Studio.h"

#include "InstalledPlugins.h"
#include "machines/builtin/MachineHost.h"
#include "support/ScratchDirectory.h"
#include "support/SignalMeasures.h"
#include "support/WaveFile.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace tarn::test {
namespace {

namespace fs = std::filesystem;

constexpr double kRate = 44100.0;

// The fundamental from the strongest normalised autocorrelation between
// 50 Hz and 2 kHz, refined between lags.
double Pitch(std::span<const double> samples) {
    const auto correlation = [samples](int lag) {
        double sum = 0.0;
        double energy = 0.0;
        for (std::size_t i = 0; i + static_cast<std::size_t>(lag) < samples.size(); ++i) {
            sum += samples[i] * samples[i + static_cast<std::size_t>(lag)];
            energy += samples[i] * samples[i];
        }
        return energy > 0.0 ? sum / energy : 0.0;
    };
    int best = 0;
    double bestValue = -1.0;
    for (int lag = static_cast<int>(kRate / 2000.0); lag <= static_cast<int>(kRate / 50.0); ++lag) {
        const double value = correlation(lag);
        if (value > bestValue * 1.02) {
            best = lag;
            bestValue = value;
        }
    }
    const double before = correlation(best - 1);
    const double after = correlation(best + 1);
    const double shift = 0.5 * (before - after) / (before - 2.0 * bestValue + after);
    return kRate / (best + shift);
}

std::vector<double> Left(const WaveFile& wave) {
    std::vector<double> left;
    for (std::size_t i = 0; i < wave.samples.size(); i += 2) {
        left.push_back(wave.samples[i]);
    }
    return left;
}

// A studio in a scratch application directory whose one Gear folder holds
// a link to each plug-in library asked for.
class PluginStudio {
public:
    explicit PluginStudio(const std::vector<std::string>& libraries) {
        SetAppDirectory(scratch_.Path());
        fs::create_directories(scratch_ / "Plugins");
        for (const std::string& library : libraries) {
            fs::create_symlink(library, scratch_ / "Plugins" / fs::path(library).filename());
        }
        fs::create_directories(scratch_ / "Plugin/Gear");
        std::ofstream(scratch_ / "Plugin/Gear/Gear.config.xml")
            << "<gear><group><name>VST</name><adapter>VST</adapter><directory><name>"
            << (scratch_ / "Plugins").string() << "</name></directory></group></gear>";
        studio_ = std::make_unique<Studio>(StudioMachines::kBuiltInAndGear);
    }
    ~PluginStudio() {
        studio_.reset();
        SetAppDirectory(previous_);
    }

    Studio& studio() { return *studio_; }
    const fs::path& Path() const { return scratch_.Path(); }

    // The song rendered for beats into a file of 64-bit floats.
    std::vector<double> Render(double beats, const std::string& name) {
        RenderRequest request;
        request.output = scratch_ / name;
        request.sampleFormat = AudioStreamer::kFloat64;
        request.beats = beats;
        EXPECT_TRUE(RenderSong(*studio_, request).done);
        std::ifstream file(request.output, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(file), {}};
        return Left(ReadWave(bytes));
    }

private:
    fs::path previous_ = AppDirectory();
    ScratchDirectory scratch_;
    std::unique_ptr<Studio> studio_;
};

// A project with the plug-in connected to the Master and one note of a
// beat at the given beat of its song.
std::unique_ptr<Project> NoteProject(Studio& studio, const std::string& machine, int note,
                                     int beat = 0) {
    std::unique_ptr<Project> project = studio.NewProject();
    const int id = project->CreateNode(machine);
    EXPECT_EQ(id, 1);
    if (id < 0) {
        return nullptr;
    }
    EXPECT_EQ(project->ConnectMachines(id, Project::kMasterId), 1);
    Node& node = *project->GetNode(id);
    const int pattern = CreatePattern(node, -1, 4, 4, 0);
    PatternEventRecord record;
    record.event.group = kGroupMachine;
    record.event.index = static_cast<std::int16_t>(node.Parameters().rbegin()->first);
    record.event.value = note;
    record.event.noteLength = 1.0;
    record.event.velocity = 1.0;
    EXPECT_EQ(AddClampedEvent(*project, id, pattern, beat, record), 1);
    node.SequenceTracks().Create(0);
    node.SequenceTracks().Get(0)->PlacePattern(0, pattern);
    return project;
}

// The left channel of what the engine plays for frames frames, the song
// stopped: live notes alone.
std::vector<double> PlayLive(Studio& studio, int frames) {
    std::vector<double> left(800);
    std::vector<double> right(800);
    std::array<double*, 2> channels{left.data(), right.data()};
    AudioBuffer buffer;
    buffer.outputs = channels.data();
    buffer.frameCount = 800;
    std::vector<double> played;
    while (static_cast<int>(played.size()) < frames) {
        EXPECT_EQ(studio.Engine().WorkCycle(buffer), 1);
        played.insert(played.end(), left.begin(), left.end());
    }
    return played;
}

// Note 57 is A4 on a plug-in as on every built-in, and the A4 key of a MIDI
// keyboard plays A4 through it.
TEST(VstPlugins, AmsynthPlaysANoteAtItsPitchUntilTheNoteOffAndChangesWithItsProgram) {
    TARN_SKIP_WITHOUT(kAmsynth);
    PluginStudio plugins({kAmsynth});
    std::unique_ptr<Project> project = NoteProject(plugins.studio(), "amsynth_vst", 57);
    ASSERT_NE(project, nullptr);
    Node& node = *project->GetNode(1);
    VstAdapter& adapter = dynamic_cast<VstAdapter&>(node.MachineInstance());
    const int parameters = static_cast<int>(node.Parameters().size()) - 1;
    EXPECT_GT(parameters, 10);
    EXPECT_EQ(node.Parameters().at(parameters).name, "Note");
    EXPECT_EQ(node.Info().kind, kKindGenerator);
    EXPECT_TRUE(adapter.HasEditor());
    plugins.studio().SetProject(std::move(project));

    // 120 BPM: the note is 22050 frames long; the song renders two beats.
    const std::vector<double> played = plugins.Render(4.0, "note.wav");
    ASSERT_EQ(played.size(), 88200u);
    const std::span<const double> all(played);
    const std::span<const double> held = all.subspan(4410, 13230);
    EXPECT_TRUE(AllFinite(all));
    EXPECT_GT(Rms(held), 0.01);
    EXPECT_NEAR(Pitch(held), 440.0, 440.0 * 0.01);
    // The release fades: the last half second is far below the note.
    EXPECT_LT(Rms(all.subspan(66150)), Rms(held) * 0.01);

    // Another program sounds different.
    {
        ProjectLock hold(plugins.studio().Current());
        Node& current = *plugins.studio().Current().Get()->GetNode(1);
        current.SendToMachine(kMsgSetProgram, 5);
    }
    const std::vector<double> other = plugins.Render(4.0, "program.wav");
    ASSERT_EQ(other.size(), played.size());
    double difference = 0.0;
    for (std::size_t i = 4410; i < 17640; ++i) {
        difference = std::max(difference, std::abs(other[i] - played[i]));
    }
    EXPECT_GT(difference, 0.01);

    {
        ProjectLock hold(plugins.studio().Current());
        Project& current = *plugins.studio().Current().Get();
        current.GetNode(1)->SetLiveInput(true);
        const std::optional<LiveNote> key = DecodeMidiNote(MidiMessage{0x90, 69, 100});
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(SendLiveNote(current, *key), 1);
    }
    const std::vector<double> live = PlayLive(plugins.studio(), 22050);
    const std::span<const double> sounding = std::span<const double>(live).subspan(4410);
    EXPECT_GT(Rms(sounding), 0.01);
    EXPECT_NEAR(Pitch(sounding), 440.0, 440.0 * 0.01);
}

TEST(VstPlugins, AmsynthStateChunkComesBackFromTheProjectFile) {
    TARN_SKIP_WITHOUT(kAmsynth);
    PluginStudio plugins({kAmsynth});
    Studio& studio = plugins.studio();
    studio.SetProject(NoteProject(studio, "amsynth_vst", 57, 1));
    ASSERT_NE(studio.Current().Get(), nullptr);
    // The first chunk hands the plug-in its defaults (before the note, so
    // that no voice is left sounding); then another program.
    plugins.Render(0.25, "defaults.wav");
    const fs::path file = plugins.Path() / "amsynth.tarn";
    std::vector<double> values;
    {
        ProjectLock hold(studio.Current());
        Project& project = *studio.Current().Get();
        Node& node = *project.GetNode(1);
        node.SendToMachine(kMsgSetProgram, 3);
        for (int i = 0; i + 1 < static_cast<int>(node.Parameters().size()); ++i) {
            values.push_back(node.ReadParameter(kGroupMachine, 0, i));
        }
        ASSERT_EQ(SaveProject(project, file), 1);
        EXPECT_GT(node.StoredState().Size(), 0);
    }
    const std::vector<double> before = plugins.Render(3.0, "before.wav");

    std::unique_ptr<Project> loaded = studio.LoadProject(file);
    ASSERT_NE(loaded, nullptr);
    Node& reloaded = *loaded->GetNode(1);
    std::vector<double> restored;
    for (std::size_t i = 0; i < values.size(); ++i) {
        restored.push_back(reloaded.ReadParameter(kGroupMachine, 0, static_cast<int>(i)));
    }
    EXPECT_EQ(restored, values);
    studio.SetProject(std::move(loaded));
    const std::vector<double> after = plugins.Render(3.0, "after.wav");
    ASSERT_EQ(after.size(), before.size());
    EXPECT_GT(Rms(before), 0.01);
    double difference = 0.0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        difference = std::max(difference, std::abs(after[i] - before[i]));
    }
    // The same within the plug-in's own single precision.
    EXPECT_LT(difference, 1e-4);
}

// A click through an effect hosted directly: the samples after it.
std::vector<double> ClickThrough(const char* library, int frames) {
    VstAdapter adapter;
    EXPECT_EQ(adapter.LoadPlugin(library), 1) << adapter.LoadFailure();
    MachineDescription description;
    MachineHost host(adapter, 120, &description.link);
    EXPECT_EQ(description.infoValues[kHostInfoKind], kKindEffect);
    EXPECT_EQ(description.infoValues[kHostInfoInputChannels], 2);
    std::vector<double> click(1, 1.0);
    MachineHost::Stereo out = host.Run(frames, {click, true}, {click, true});
    return out.left;
}

TEST(VstPlugins, AClickThroughAReverbAndADelayLeavesATail) {
    TARN_SKIP_WITHOUT(kDragonflyRoom);
    // Dragonfly exports only "main".
    const std::vector<double> room = ClickThrough(kDragonflyRoom, 44100);
    const std::span<const double> tail = std::span<const double>(room).subspan(4410, 22050);
    EXPECT_TRUE(AllFinite(room));
    EXPECT_GT(Rms(tail), 1e-5);
    EXPECT_LT(Peak(room), 4.0);

    TARN_SKIP_WITHOUT(kLspDelay);
    // LSP exports only "VSTPluginMain".
    const std::vector<double> delayed = ClickThrough(kLspDelay, 22050);
    EXPECT_TRUE(AllFinite(delayed));
    EXPECT_GT(Peak(delayed), 0.1);
}

} // namespace
} // namespace tarn::test
