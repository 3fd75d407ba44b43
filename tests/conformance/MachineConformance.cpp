#include "conformance/MachineConformance.h"

#include "allocation/AllocationCounter.h"
#include "base/ClassicRandom.h"
#include "dsp/DspLibrary.h"
#include "engine/Node.h"
#include "engine/Project.h"
#include "machines/framework/MachineFactory.h"
#include "machines/framework/ParameterDisplay.h"
#include "support/SignalMeasures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <sstream>

namespace tarn::test {
namespace {

constexpr double kRate = 44100.0;
// Long enough for envelopes and filters to show a blow-up, short enough to
// run every machine in a few seconds.
constexpr int kSweepChunks = 48;
constexpr int kCompareChunks = 4;
// Every parameter jumps between its extremes this often while notes play;
// no output may then pass kBound.
// The input is noise at half scale: an effect at the top of its gains
// (+20 dB on some, a reverb's build-up at its longest) may lift full-scale
// noise past the bound without anything being wrong.
constexpr int kJumpChunks = 6;
constexpr double kBound = 16.0;
constexpr double kBoundNoise = 0.5;
// With no input and no note, a second on, everything must be silence:
// exact zeros or below -200 dB.
constexpr int kSilentChunks = 44100 / kMaxChunkFrames + 1;
constexpr double kSilence = 1e-10;
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

std::string Number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

std::string Named(std::int32_t index, const ParameterDescriptor& descriptor) {
    return "parameter '" + descriptor.name + "' (" + std::to_string(index) + ")";
}

bool Same(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

EventRecord MakeEvent(std::int32_t index, double value, int track = 0, int offset = 0) {
    EventRecord event;
    event.group = kGroupMachine;
    event.index = static_cast<std::int16_t>(index);
    event.track = static_cast<std::int16_t>(track);
    event.offset = offset;
    event.exactOffset = offset;
    event.value = value;
    event.endValue = value;
    event.velocity = 1.0;
    return event;
}

class Checker {
public:
    explicit Checker(const BuiltinMachine& machine)
        : machine_(machine), table_{machine}, factory_(table_), project_(factory_) {}

    std::vector<std::string> Run() {
        if (DspSampleRate() != kRate) {
            InitializeDspLibrary(kRate);
        }
        Node* node = Create();
        if (node == nullptr) {
            Problem("cannot be created");
            return problems_;
        }
        info_ = node->Info();
        parameters_ = node->Parameters();
        note_ = node->NoteParameter();
        CheckDescription(*node);
        CheckFormat(*node);
        CheckRoundTrip(*node);
        project_.DeleteNode(node->Id());
        CheckRendering();
        CheckBoundsAndSilence();
        CheckForeignEvents();
        CheckOutOfRange();
        if (allocations_ > 0) {
            Problem("Work allocated " + std::to_string(allocations_) +
                    " times; it must allocate nothing");
        }
        return problems_;
    }

private:
    void Problem(const std::string& text) {
        problems_.push_back(std::string(machine_.name) + ": " + text);
    }

    Node* Create(std::span<const std::uint8_t> state = {}) {
        const int id = project_.CreateNode(machine_.name, state);
        return id >= 0 ? project_.GetNode(id) : nullptr;
    }

    void CheckDescription(const Node& node) {
        const MachineInfo& info = node.Info();
        if (info.name.empty() || info.shortName.empty()) {
            Problem("describes no name or no short name");
        }
        if (info.kind < kKindMaster || info.kind > kKindEffect) {
            Problem("describes kind " + std::to_string(info.kind));
        }
        if (info.minTracks < 1 || info.maxTracks < info.minTracks) {
            Problem("describes the track range " + std::to_string(info.minTracks) + ".." +
                    std::to_string(info.maxTracks));
        }
        if (info.outputChannels < 1 || info.inputChannels < 0) {
            Problem("describes " + std::to_string(info.inputChannels) + " inputs and " +
                    std::to_string(info.outputChannels) + " outputs");
        }
        if (info.kind == kKindGenerator && note_ < 0) {
            Problem("is a generator without a note parameter");
        }
        const FolderMap& folders = node.Folders();
        for (const auto& [index, folder] : folders) {
            if (folder.name.empty() || (folder.parent != -1 && folders.count(folder.parent) == 0)) {
                Problem("folder " + std::to_string(index) + " has no name or a missing parent");
            }
        }
        std::set<std::string> names;
        for (const auto& [index, p] : parameters_) {
            const std::string named = Named(index, p);
            if (p.name.empty() || p.description.empty()) {
                Problem(named + " has no name or no description");
            }
            // Folders repeat their names (each oscillator has its "Octave").
            if (!names.insert(std::to_string(p.folder) + '/' + p.name).second) {
                Problem(named + " has the name of another parameter");
            }
            if (p.type < kTypeDouble || p.type > kTypeTribble) {
                Problem(named + " has type " + std::to_string(p.type));
            }
            if (!std::isfinite(p.minimum) || !std::isfinite(p.maximum) || p.minimum > p.maximum) {
                Problem(named + " has the range " + Number(p.minimum) + ".." + Number(p.maximum));
            } else if (!(p.defaultValue >= p.minimum && p.defaultValue <= p.maximum)) {
                Problem(named + ": default " + Number(p.defaultValue) + " outside its range " +
                        Number(p.minimum) + ".." + Number(p.maximum));
            }
            // Whole-numbered types step by one whatever their resolution says
            // (descriptors give them 0, 0.001 or 1); only a double needs one.
            if (!(p.resolution >= 0.0) || (p.type == kTypeDouble && !(p.resolution > 0.0))) {
                Problem(named + " has the resolution " + Number(p.resolution));
            }
            const bool inFolder = p.folder == -1 || folders.count(p.folder) != 0 ||
                                  (p.folder == 0 && folders.empty());
            if (!inFolder) {
                Problem(named + " is in folder " + std::to_string(p.folder) +
                        ", which does not exist");
            }
        }
    }

    // Every text stays inside its buffer, terminating zero included, for
    // values in and far outside the range.
    void CheckFormat(Node& node) {
        constexpr char kGuard = '\x7f';
        for (const auto& [index, p] : parameters_) {
            const double span = p.maximum - p.minimum + 1.0;
            for (double value : {p.minimum, p.maximum, p.defaultValue, p.minimum - span * 1e3,
                                 p.maximum + span * 1e3, -1e300, 1e300, kNan, -kInfinity}) {
                std::array<char, 2 * kValueTextSize> text;
                text.fill(kGuard);
                const std::int32_t written =
                    node.SendToMachine(kMsgFormatValue, index, &value, text.data());
                const bool overran = std::any_of(text.begin() + kValueTextSize, text.end(),
                                                 [](char c) { return c != kGuard; });
                const bool terminated = std::find(text.begin(), text.begin() + kValueTextSize,
                                                  '\0') != text.begin() + kValueTextSize;
                if (overran || (written != 0 && !terminated)) {
                    Problem("FormatValue of " + Named(index, p) + " at " + Number(value) +
                            " overruns its " + std::to_string(kValueTextSize) + "-byte buffer");
                    break;
                }
            }
        }
    }

    void CheckRoundTrip(Node& node) {
        for (const auto& [index, p] : parameters_) {
            if (p.type == kTypeNote) {
                continue;
            }
            for (double value : {p.minimum, p.maximum}) {
                node.WriteParameter(kGroupMachine, 0, index, value);
                const double read = node.ReadParameter(kGroupMachine, 0, index);
                if (read != value) {
                    Problem(Named(index, p) + " reads back " + Number(read) + " after " +
                            Number(value) + " was written");
                }
            }
        }
        if (node.SaveState() == 0) {
            Problem("failed to save its state");
            return;
        }
        const ByteBuffer& saved = node.StoredState();
        const std::vector<std::uint8_t> bytes(saved.Data(), saved.Data() + saved.Size());
        Node* reloaded = Create(bytes);
        if (reloaded == nullptr) {
            Problem("cannot be created from its own saved state");
            return;
        }
        reloaded->SaveState();
        const ByteBuffer& again = reloaded->StoredState();
        if (!std::equal(bytes.begin(), bytes.end(), again.Data(), again.Data() + again.Size())) {
            Problem("saves " + std::to_string(again.Size()) + " bytes after loading the " +
                    std::to_string(bytes.size()) + " it saved, and not the same ones");
        }
        project_.DeleteNode(reloaded->Id());
    }

    // What a fresh machine plays: setup in the first chunk, then, when
    // jumps are given, each of the two sets in turn every kJumpChunks
    // chunks; notes on every track now and then, and noise on every input.
    struct Play {
        std::vector<EventRecord> setup;
        int chunks = kCompareChunks;
        int tracks = 0;
        std::array<std::vector<EventRecord>, 2> jumps{};
        bool notes = true;
        double noise = 1.0; // peak of the noise on every input
    };

    std::vector<double> Render(const std::vector<EventRecord>& setup, int chunks, int tracks = 0) {
        return Render(Play{setup, chunks, tracks});
    }

    // Answers the output samples of every channel, chunk after chunk.
    std::vector<double> Render(const Play& play) {
        const std::vector<EventRecord>& setup = play.setup;
        const int chunks = play.chunks;
        const int tracks = play.tracks;
        std::vector<double> out;
        Node* node = Create();
        if (node == nullptr) {
            return out;
        }
        if (tracks > 0) {
            node->SetTrackCount(kGroupMachine, tracks);
        }
        ClassicRandom noise(7);
        std::vector<EventRecord> events;
        std::vector<EventRecord*> pointers;
        for (int chunk = 0; chunk < chunks; ++chunk) {
            events.assign(chunk == 0 ? setup.begin() : setup.end(), setup.end());
            if (chunk > 0 && chunk % kJumpChunks == 0) {
                const std::vector<EventRecord>& jump = play.jumps[(chunk / kJumpChunks) % 2];
                events.insert(events.end(), jump.begin(), jump.end());
            }
            for (int track = 0;
                 play.notes && note_ >= 0 && chunk % 8 == 0 && track < node->TrackCount();
                 ++track) {
                constexpr std::array<double, 6> kNotes{0.0, 24.0, 60.0, 127.0, 96.0, 36.0};
                EventRecord note = MakeEvent(note_, kNotes[(chunk / 8) % kNotes.size()], track, 17);
                note.velocity = chunk % 24 == 16 ? 0.0 : 1.0;
                note.noteLength = 0.25;
                events.push_back(note);
            }
            pointers.clear();
            for (EventRecord& event : events) {
                pointers.push_back(&event);
            }
            for (int channel = 0; channel < node->Inputs().Count(); ++channel) {
                node->Inputs().SetConnected(channel);
                for (int frame = 0; frame < kMaxChunkFrames; ++frame) {
                    node->Inputs().Samples(channel)[frame] =
                        play.noise * (noise.Next() * (2.0 / ClassicRandom::kMaximum) - 1.0);
                }
            }
            WorkRecord record;
            record.inputs = node->Inputs().Records();
            record.outputs = node->Outputs().Records();
            record.frameCount = kMaxChunkFrames;
            record.events = pointers.data();
            record.eventCount = static_cast<std::int32_t>(pointers.size());
            {
                AllocationCounter counter;
                node->SendToMachine(kMsgWork, 0, &record);
                allocations_ += counter.Count();
            }
            for (int channel = 0; channel < node->Outputs().Count(); ++channel) {
                const double* samples = node->Outputs().Samples(channel);
                out.insert(out.end(), samples, samples + kMaxChunkFrames);
            }
        }
        project_.DeleteNode(node->Id());
        return out;
    }

    // Every parameter but the note on every track, set to what pick says.
    template <typename Pick> std::vector<EventRecord> EveryParameter(Pick pick, int tracks) const {
        std::vector<EventRecord> events;
        for (const auto& [index, p] : parameters_) {
            for (int track = 0; p.type != kTypeNote && track < tracks; ++track) {
                events.push_back(MakeEvent(index, pick(p), track));
            }
        }
        return events;
    }

    void CheckRendering() {
        const int tracks = std::max(info_.maxTracks, 1);
        const std::pair<const char*, double (*)(const ParameterDescriptor&)> settings[] = {
            {"its minimum", [](const ParameterDescriptor& p) { return p.minimum; }},
            {"its maximum", [](const ParameterDescriptor& p) { return p.maximum; }},
            {"its default", [](const ParameterDescriptor& p) { return p.defaultValue; }},
        };
        for (const auto& [setting, pick] : settings) {
            const std::vector<double> out =
                Render(EveryParameter(pick, tracks), kSweepChunks, tracks);
            const auto bad =
                std::find_if(out.begin(), out.end(), [](double s) { return !std::isfinite(s); });
            if (bad != out.end()) {
                Problem("output is not finite (" + Number(*bad) + " at sample " +
                        std::to_string(bad - out.begin()) + ") with every parameter at " + setting);
                return; // once is enough to know
            }
        }
    }

    // Parameters jumping between their extremes while notes play and noise
    // comes in keep the output bounded; with no input and no note the
    // machine falls silent within a second, whatever its parameters were.
    void CheckBoundsAndSilence() {
        const int tracks = std::max(info_.maxTracks, 1);
        const auto lowest = [](const ParameterDescriptor& p) { return p.minimum; };
        const auto highest = [](const ParameterDescriptor& p) { return p.maximum; };
        Play jumping{EveryParameter(lowest, tracks), kSweepChunks, tracks};
        jumping.jumps = {EveryParameter(lowest, tracks), EveryParameter(highest, tracks)};
        jumping.noise = kBoundNoise;
        // Samples that are not numbers are told by CheckRendering.
        const std::vector<double> out = Render(jumping);
        const auto loud =
            std::find_if(out.begin(), out.end(), [](double s) { return std::abs(s) > kBound; });
        if (loud != out.end()) {
            Problem("output reaches " + Number(*loud) + " at sample " +
                    std::to_string(loud - out.begin()) +
                    " with every parameter jumping between its extremes");
        }
        Play quiet{{}, kSilentChunks, tracks};
        quiet.notes = false;
        quiet.noise = 0.0;
        const std::vector<double> rest = Render(quiet);
        const auto lastChunk = static_cast<std::ptrdiff_t>(rest.size() / kSilentChunks);
        const auto sounding = std::find_if(rest.end() - lastChunk, rest.end(),
                                           [](double s) { return std::abs(s) >= kSilence; });
        if (sounding != rest.end()) {
            Problem("is not silent a second after nothing played (" + Number(*sounding) + ")");
        }
    }

    void CheckForeignEvents() {
        const std::vector<double> plain = Render({}, kCompareChunks);
        std::vector<EventRecord> foreign;
        for (const int track : {static_cast<int>(info_.minTracks), 255, -1}) {
            for (const auto& [index, p] : parameters_) {
                foreign.push_back(MakeEvent(index, p.type == kTypeNote ? 60.0 : p.maximum, track));
                foreign.back().velocity = 1.0;
            }
        }
        if (!Same(Render(foreign, kCompareChunks), plain)) {
            Problem("events for tracks it does not have change its output");
        }
    }

    // A value beyond a parameter's range must act as the nearest end of the
    // range or not at all; one that is not a number must not reach the
    // output.
    void CheckOutOfRange() {
        const std::vector<double> plain = Render({}, kCompareChunks);
        for (const auto& [index, p] : parameters_) {
            const double span = p.maximum - p.minimum + 1.0;
            for (const auto& [end, beyond] :
                 {std::pair{p.minimum, p.minimum - span}, std::pair{p.maximum, p.maximum + span}}) {
                const std::vector<double> atEnd = Render({MakeEvent(index, end)}, kCompareChunks);
                const std::vector<double> out = Render({MakeEvent(index, beyond)}, kCompareChunks);
                if (!Same(out, atEnd) && !Same(out, plain)) {
                    Problem(Named(index, p) + " set to " + Number(beyond) + ", outside " +
                            Number(p.minimum) + ".." + Number(p.maximum) +
                            ", is neither clamped nor ignored");
                }
            }
            if (AllFinite(plain) && !AllFinite(Render({MakeEvent(index, kNan)}, kCompareChunks))) {
                Problem(Named(index, p) + " set to nan makes the output not finite");
            }
        }
    }

    const BuiltinMachine& machine_;
    std::array<BuiltinMachine, 1> table_;
    MachineFactory factory_;
    Project project_;
    MachineInfo info_;
    ParameterMap parameters_;
    std::int32_t note_ = -1;
    long allocations_ = 0;
    std::vector<std::string> problems_;
};

} // namespace

std::vector<std::string> CheckMachine(const BuiltinMachine& machine) {
    return Checker(machine).Run();
}

} // namespace tarn::test
