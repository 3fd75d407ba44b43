#pragma once

#include "MachineHost.h"

#include "engine/Project.h"
#include "machines/framework/MachineFactory.h"

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tarn::test {

// A project holding one sample-playing machine and waves written into its
// wavetable by the test. The machine is hosted by its Node, so GetWave
// answers from the wavetable exactly as in the studio; Render sends Work
// straight to the machine (no volume stage), as MachineHost::Run does.
class WaveProject {
public:
    static constexpr double kRate = MachineHost::kRate;

    using Stereo = MachineHost::Stereo;

    explicit WaveProject(const char* machineName, double bpm = 120.0);

    // Writes a wave of the given channels (one or two) at slot.
    void PutWave(int slot, const std::vector<std::vector<float>>& channels, int sampleRate = 44100,
                 std::optional<LoopPoint> loop = {});
    // Takes the wave out of its slot and deletes it, as clearing a slot
    // does.
    void RemoveWave(int slot);

    void SetTracks(int count);
    void Set(std::int32_t index, double value, int track = 0, int offset = 0);
    void Note(double note, double lengthBeats = 0.0, double velocity = 1.0, int track = 0,
              int offset = 0);
    // An event of any track, unchecked: for tracks the machine lacks.
    void Queue(const EventRecord& event) { pending_.push_back(event); }

    // With an input, it goes to both input channels, announced as
    // connected (silence past its end); without one they are open.
    Stereo Render(int frames, std::span<const double> input = {});

    Project& project() { return *project_; }
    Node& node() { return *project_->GetNode(id_); }
    double SamplesPerBeat() const { return kRate * 60.0 / bpm_; }

private:
    MachineFactory factory_;
    std::unique_ptr<Project> project_;
    double bpm_;
    int id_ = -1;
    std::vector<EventRecord> pending_;
};

// The frames from..to of a render.
std::span<const double> Frames(const std::vector<double>& samples, int from, int to);
// count frames of a sine of frequency hz at rate, peak 0.5.
std::vector<float> SineWave(double hz, double rate, int count);
// count frames of seeded noise in -0.5..0.5.
std::vector<float> NoiseWave(int count, unsigned seed);

} // namespace tarn::test
