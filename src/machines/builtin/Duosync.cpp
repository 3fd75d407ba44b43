#include "machines/builtin/Duosync.h"

#include "dsp/DspLibrary.h"
#include "machines/framework/ParameterDisplay.h"

#include <algorithm>

namespace tarn {
namespace {

constexpr std::int32_t kAdsrFolder = 0;
constexpr FolderRow kFolders[] = {{.index = kAdsrFolder, .name = "ADSR"}};

int FormatSemitones(char* text, double v) noexcept {
    return WriteValueText(text, v, 2, " semitones");
}

constexpr std::array<ParameterRow, 12> kRows{{
    NoteRow(Duosync::kNote),
    {.index = Duosync::kWaveform,
     .name = "Waveform",
     .description = "Slave waveform\nThe wave of the audible oscillator",
     .type = kTypeByte,
     .maximum = 4.0,
     .resolution = 1.0,
     .folder = -1,
     .names = kWaveFormNames},
    {.index = Duosync::kSync,
     .name = "Sync",
     .description = "Slave pitch\nHow far above the note the synced oscillator runs; 0 plays the "
                    "plain wave, higher values move the harmonics up without changing the pitch",
     .maximum = 48.0,
     .defaultValue = 12.0,
     .resolution = 0.1,
     .folder = -1,
     .format = FormatSemitones},
    {.index = Duosync::kSweep,
     .name = "Sweep",
     .description = "Sync sweep depth\nHow far the sweep envelope raises the slave pitch at its "
                    "peak, on top of Sync",
     .maximum = 48.0,
     .defaultValue = 12.0,
     .resolution = 0.1,
     .folder = -1,
     .format = FormatSemitones},
    {.index = Duosync::kSweepAttack,
     .name = "Sweep Attack",
     .description = "Sweep envelope attack time\nHow long the sweep takes to reach its depth",
     .defaultValue = 0.01,
     .resolution = 0.05,
     .folder = -1,
     .format = FormatCubicTime},
    {.index = Duosync::kSweepDecay,
     .name = "Sweep Decay",
     .description = "Sweep envelope decay time\nHow long the slave takes to fall back to Sync",
     .defaultValue = 0.4,
     .resolution = 0.05,
     .folder = -1,
     .format = FormatCubicTime},
    {.index = Duosync::kAttack,
     .name = "Attack",
     .description = "Amplitude envelope attack time",
     .defaultValue = 0.01,
     .resolution = 0.05,
     .folder = kAdsrFolder,
     .format = FormatCubicTime},
    {.index = Duosync::kDecay,
     .name = "Decay",
     .description = "Amplitude envelope decay time",
     .defaultValue = 0.3,
     .resolution = 0.05,
     .folder = kAdsrFolder,
     .format = FormatCubicTime},
    {.index = Duosync::kSustain,
     .name = "Sustain level",
     .description = "Amplitude envelope sustain level, in dB",
     .minimum = -60.0,
     .maximum = 0.0,
     .defaultValue = -6.0,
     .resolution = 0.05,
     .folder = kAdsrFolder,
     .format = [](char* text, double v) noexcept { return FormatDecibels(text, v); }},
    {.index = Duosync::kRelease,
     .name = "Release",
     .description = "Amplitude envelope release time",
     .defaultValue = 0.2,
     .resolution = 0.05,
     .folder = kAdsrFolder,
     .format = FormatCubicTime},
    {.index = Duosync::kGlideTime,
     .name = "Glide time",
     .description = "Glide time\nHow long a note after a Glide row takes to slide in",
     .defaultValue = 0.3,
     .folder = -1,
     .format = FormatCubicTime},
    {.index = Duosync::kGlide,
     .name = "Glide",
     .description = "Glide\nOn: this note holds until the next one slides in from its pitch",
     .type = kTypeSwitch,
     .resolution = 1.0,
     .folder = -1},
}};

} // namespace

Duosync::Duosync()
    : BuiltinMachineBase(MachineInfo::Builtin(kKindGenerator, "Duosync", "DSync"),
                         ParameterTable{kRows, kFolders}) {
    Prepare(kDspSampleRate);
}

void Duosync::Prepare(double rate) {
    master_ = BandLimitedOscillator{};
    master_.sampleRate = rate;
    slave_ = master_;
    slave_.waveSet = WaveSetFor(kWaveSawtooth);
    correction_ = 0.0;
    controls_.Prepare(rate);
}

void Duosync::ApplyParameter(const EventRecord& event) noexcept {
    if (controls_.Apply(event)) {
        return;
    }
    switch (event.index) {
    case kWaveform:
        slave_.waveSet = WaveSetFor(kWaveformKinds[std::clamp(TruncateValue(event.value), 0, 4)]);
        break;
    case kSync:
        sync_ = event.value;
        break;
    case kSweep:
        sweep_ = event.value;
        break;
    default:
        break;
    }
}

void Duosync::PlayNote(const EventRecord& note) noexcept {
    if (!(note.velocity > 0.0)) {
        controls_.Release();
        return;
    }
    if (controls_.StartNote(note, samplesPerBeat)) {
        master_.GlideTo(note.value, controls_.glideTime);
    } else {
        master_.pitch = note.value;
        master_.GlideTo(note.value, 0.0);
    }
}

double Duosync::RenderFrame() noexcept {
    const double before = master_.phase;
    master_.Tick();
    // The slave lands on its pitch every tick: it has no glide of its own.
    slave_.glideTarget = ClampPitch(master_.pitch + sync_ + sweep_ * controls_.modulation.level);
    const double slaveBefore = slave_.phase;
    double out = slave_.Tick() + correction_;
    correction_ = 0.0;
    if (master_.phase < before) {
        // The master started a period `after` samples before the next
        // sample: the slave restarts there, and the jump its wave makes is
        // spread over this sample and the next as a band-limited step.
        const double after = std::min(master_.phase / master_.phaseIncrement, 1.0);
        const double at = 1.0 - after;
        double old = slaveBefore + at * slave_.phaseIncrement;
        old -= old >= 1.0 ? 1.0 : 0.0;
        const double step = slave_.Read(0.0) - slave_.Read(old);
        slave_.phase = after * slave_.phaseIncrement;
        out += step * 0.5 * after * after;
        correction_ = -step * 0.5 * at * at;
    }
    const double level = controls_.amplitude.level;
    controls_.amplitude.Tick();
    controls_.modulation.Tick();
    controls_.CountDown();
    return out * level;
}

void Duosync::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    for (int frame = from; frame < to; ++frame) {
        mono_[frame] = RenderFrame();
    }
    FanOut(record, mono_.data(), from, to);
}

std::int32_t Duosync::Stop(std::int32_t mode) {
    if (mode == 1) {
        controls_.Release();
    }
    return 1;
}

} // namespace tarn
