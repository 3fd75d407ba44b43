#include "studio/DemoSong.h"

#include "document/ProjectBuilder.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "machines/builtin/AnalogBass.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace tarn {
namespace {

constexpr const char* kMachine = "Tarn Analog Bass";
constexpr double kBpm = 124.0;
constexpr int kPatternBeats = 8;
constexpr int kSongBeats = 48;
constexpr int kTicksPerBeat = 4;
constexpr int kMasterTempo = 0; // the Master's parameter index
// The bass fades in from here (dB), its Node's volume when the song starts.
// The fade begins with the first note, after the song's first chunk.
constexpr double kBassFadeStart = -30.0;
constexpr double kFirstBassNote = 0.5; // beats
// The bass's filter opens from here over the first pattern; its stored
// value, so that both agree in the first chunk.
constexpr double kPulseCutoff = 0.18;

// Note numbers: 0 is the C of 16.35 Hz, 57 the A of 440 Hz.
enum NoteName : int {
    kF1 = 17,
    kG1 = 19,
    kA1 = 21,
    kC2 = 24,
    kF2 = 29,
    kG2 = 31,
    kA2 = 33,
    kC3 = 36,
    kF4 = 53,
    kG4 = 55,
    kA4 = 57,
    kB4 = 59,
    kC5 = 60,
    kD5 = 62,
    kE5 = 64,
    kG5 = 67,
};

struct Step {
    double at; // beats from the pattern's start
    int note;
    double length; // beats
};

// Writes the events of one pattern of one Node.
class PatternWriter {
public:
    PatternWriter(Project& project, int nodeId, const char* name, std::uint32_t colour)
        : project_(project), nodeId_(nodeId) {
        Node& node = *project.GetNode(nodeId);
        number_ = CreatePattern(node, -1, kPatternBeats, kTicksPerBeat, colour);
        node.Patterns().Get(number_)->name = name;
    }

    int Number() const { return number_; }

    void Notes(std::initializer_list<Step> steps, double velocity = 1.0) {
        for (const Step& step : steps) {
            Add(kGroupMachine, AnalogBass::kNote, step.at, step.note, step.length, velocity);
        }
    }
    // A system or machine parameter; system values glide to the next one.
    void Value(int group, int index, double at, double value) {
        Add(group, index, at, value, 0.0, 0.0);
    }

private:
    void Add(int group, int index, double at, double value, double length, double velocity) {
        PatternEventRecord record;
        record.event.group = static_cast<std::int16_t>(group);
        record.event.index = static_cast<std::int16_t>(index);
        const double beat = std::floor(at);
        record.event.time = at - beat;
        record.event.value = value;
        record.event.noteLength = length;
        record.event.velocity = velocity;
        AddClampedEvent(project_, nodeId_, number_, static_cast<int>(beat), record);
    }

    Project& project_;
    int nodeId_;
    int number_ = -1;
};

// A Node of the Analog Bass, connected to the Master; -1 when it cannot be
// made.
int AddVoice(Project& project, const char* name,
             std::initializer_list<std::pair<int, double>> sound, double volume) {
    const int id = project.CreateNode(kMachine);
    if (id < 0 || project.ConnectMachines(id, Project::kMasterId) == 0) {
        return -1;
    }
    Node& node = *project.GetNode(id);
    node.SetName(name);
    for (const auto& [index, value] : sound) {
        node.SetStoredValue(kGroupMachine, 0, index, value);
    }
    node.SetStoredValue(kGroupSystem, 0, system_parameter::kVolume, volume);
    return id;
}

void PlaceNode(Project& project, int id, double x, double y) {
    Node& node = *project.GetNode(id);
    node.Editor().x = x;
    node.Editor().y = y;
}

// Eighth notes alternating between two notes, over beats [from, to).
void Octaves(PatternWriter& pattern, double from, double to, int low, int high) {
    for (double at = from; at < to; at += 0.5) {
        const bool offBeat = std::fmod(at, 1.0) != 0.0;
        pattern.Notes({{at, offBeat ? high : low, 0.35}}, offBeat ? 0.8 : 1.0);
    }
}

void Place(Project& project, int nodeId, std::initializer_list<std::pair<int, int>> placements) {
    SequenceTrackList& tracks = project.GetNode(nodeId)->SequenceTracks();
    tracks.Create(0);
    for (const auto& [beat, pattern] : placements) {
        tracks.Get(0)->PlacePattern(beat, pattern);
    }
}

void WriteBass(Project& project, int bass) {
    using system_parameter::kVolume;
    PatternWriter pulse(project, bass, "Pulse", 0x00C8DCF0);
    for (int beat = 0; beat < kPatternBeats; ++beat) {
        pulse.Value(kGroupMachine, AnalogBass::kCutoff, beat, kPulseCutoff + 0.03 * beat);
    }
    Octaves(pulse, kFirstBassNote, kPatternBeats, kA1, kA1);
    pulse.Value(kGroupSystem, kVolume, kFirstBassNote, kBassFadeStart);
    pulse.Value(kGroupSystem, kVolume, 6.0, -4.0);

    PatternWriter verse(project, bass, "Verse", 0x00C8F0DC);
    verse.Value(kGroupMachine, AnalogBass::kCutoff, 0.0, 0.4);
    Octaves(verse, 0.0, 4.0, kA1, kA2);
    Octaves(verse, 4.0, 8.0, kF1, kF2);

    PatternWriter turn(project, bass, "Turn", 0x00F0DCC8);
    turn.Value(kGroupMachine, AnalogBass::kCutoff, 0.0, 0.45);
    Octaves(turn, 0.0, 4.0, kC2, kC3);
    Octaves(turn, 4.0, 8.0, kG1, kG2);

    PatternWriter ending(project, bass, "Ending", 0x00DCC8F0);
    ending.Value(kGroupMachine, AnalogBass::kCutoff, 0.0, 0.3);
    ending.Notes({{0.0, kA1, 3.5}, {4.0, kA1, 4.0}});
    ending.Value(kGroupSystem, kVolume, 0.0, -4.0);
    ending.Value(kGroupSystem, kVolume, 7.5, -40.0);

    Place(project, bass,
          {{0, pulse.Number()},
           {8, verse.Number()},
           {16, turn.Number()},
           {24, verse.Number()},
           {32, turn.Number()},
           {40, ending.Number()}});
}

void WriteLead(Project& project, int lead) {
    using system_parameter::kPan;
    PatternWriter hook(project, lead, "Hook", 0x00A0C8F0);
    hook.Notes({{0.0, kE5, 0.45},
                {0.5, kD5, 0.45},
                {1.0, kC5, 0.45},
                {1.5, kA4, 1.2},
                {3.0, kC5, 0.45},
                {3.5, kD5, 0.45},
                {4.0, kC5, 0.9},
                {5.0, kA4, 0.45},
                {5.5, kF4, 0.45}});
    // The long A slides up into the closing C.
    hook.Value(kGroupMachine, AnalogBass::kGlide, 6.0, 1.0);
    hook.Notes({{6.0, kA4, 1.5}, {7.5, kC5, 0.45}});
    hook.Value(kGroupSystem, kPan, 0.0, -0.7);
    hook.Value(kGroupSystem, kPan, 7.0, 0.7);

    PatternWriter answer(project, lead, "Answer", 0x00F0C8A0);
    answer.Notes({{0.0, kG4, 0.45},
                  {0.5, kC5, 0.45},
                  {1.0, kE5, 0.9},
                  {2.0, kD5, 0.45},
                  {2.5, kC5, 0.45},
                  {3.0, kD5, 0.9},
                  {4.0, kB4, 0.45},
                  {4.5, kD5, 0.45},
                  {5.0, kG5, 1.4},
                  {6.5, kE5, 0.45},
                  {7.0, kD5, 0.9}});
    answer.Value(kGroupSystem, kPan, 0.0, 0.7);
    answer.Value(kGroupSystem, kPan, 7.0, -0.7);

    PatternWriter last(project, lead, "Last", 0x00C8A0F0);
    last.Notes({{0.0, kA4, 1.9}, {2.0, kC5, 1.9}, {4.0, kA4, 3.5}}, 0.9);
    last.Value(kGroupSystem, kPan, 0.0, -0.7);
    last.Value(kGroupSystem, kPan, 4.0, 0.0);

    Place(project, lead,
          {{8, hook.Number()},
           {16, answer.Number()},
           {24, hook.Number()},
           {32, answer.Number()},
           {40, last.Number()}});
}

} // namespace

std::unique_ptr<Project> BuildDemoSong(const MachineCreator& createMachine,
                                       const TempoRecord& engineTempo) {
    std::unique_ptr<Project> project = MakeNewProject(createMachine, engineTempo);
    if (project == nullptr) {
        return nullptr;
    }
    // Before the voices are made, so that they are set up at this tempo.
    project->GetNode(Project::kMasterId)->WriteParameter(kGroupMachine, 0, kMasterTempo, kBpm);
    project->Tempo().SetBpm(kBpm);
    SongTransport& transport = project->Transport();
    transport.songEnd = kSongBeats;
    transport.loopEnd = kSongBeats;

    const int bass = AddVoice(*project, "Bass",
                              {{AnalogBass::kWaveform, 0.0},
                               {AnalogBass::kCutoff, kPulseCutoff},
                               {AnalogBass::kResonance, 0.55},
                               {AnalogBass::kEnvMod, 0.55},
                               {AnalogBass::kDecay, 0.3},
                               {AnalogBass::kSustain, -14.0},
                               {AnalogBass::kRelease, 0.2},
                               {AnalogBass::kModDecay, 0.35}},
                              kBassFadeStart);
    const int lead = AddVoice(*project, "Lead",
                              {{AnalogBass::kWaveform, 1.0},
                               {AnalogBass::kCutoff, 0.5},
                               {AnalogBass::kResonance, 0.25},
                               {AnalogBass::kEnvMod, 0.35},
                               {AnalogBass::kAttack, 0.12},
                               {AnalogBass::kDecay, 0.45},
                               {AnalogBass::kSustain, -8.0},
                               {AnalogBass::kRelease, 0.4},
                               {AnalogBass::kGlideTime, 0.3}},
                              -10.0);
    if (bass < 0 || lead < 0) {
        return nullptr;
    }
    // Left of the Master in the machine view, one above the other.
    PlaceNode(*project, bass, 0.2, 0.3);
    PlaceNode(*project, lead, 0.2, 0.7);
    WriteBass(*project, bass);
    WriteLead(*project, lead);
    return project;
}

} // namespace tarn
