#include "machines/builtin/AnalogBass.h"

#include "dsp/DspLibrary.h"
#include "machines/framework/ParameterDisplay.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

constexpr double kMaxCutoffHz = 14000.0;
constexpr double kMinCutoffHz = 30.0;
// A cutoff change of this many Hz, or a resonance change of 1, takes the
// transition time.
constexpr double kCutoffTransitionScale = 10000.0;
constexpr double kResonanceTransitionScale = 1.0;
constexpr double kTransitionSeconds = 0.2;
// The note length of a note that has none of its own: about six minutes.
constexpr std::int32_t kHeldNoteSamples = 16777215;
// Filter coefficients are recomputed once every this many frames.
constexpr int kCoefficientInterval = 5;
constexpr double kNotesPerOctave = 12.0;

static_assert(kWaveformKinds.size() == kWaveFormNames.size());

double Cube(double v) noexcept {
    return v * v * v;
}

} // namespace

AnalogBass::AnalogBass()
    : AnalogBass(MachineInfo::Builtin(kKindGenerator, "Analog Bass", "ABass"),
                 ParameterTable{analog_bass::kRows, analog_bass::kFolders}) {}

AnalogBass::AnalogBass(MachineInfo info, ParameterTable table)
    : BuiltinMachineBase(std::move(info), table) {
    cutoff_.scale = kCutoffTransitionScale;
    resonance_.scale = kResonanceTransitionScale;
    Prepare(kDspSampleRate);
}

void AnalogBass::Prepare(double rate) {
    filterRate_ = 2.0 * rate;
    cutoff_.time = kTransitionSeconds * rate;
    resonance_.time = kTransitionSeconds * rate;
    filter_.Clear();
    coefficientCounter_ = 0;

    oscillator_ = BandLimitedOscillator{};
    oscillator_.sampleRate = rate;
    oscillator_.waveSet = WaveSetFor(kWaveSawtooth);
    second_ = oscillator_;
    sub_ = oscillator_;
    sub_.waveSet = WaveSetFor(kWaveSquare);

    controls_.Prepare(rate);
    glidePending_ = false;
    noteRemaining_ = 0;
}

void AnalogBass::ApplyParameter(const EventRecord& event) noexcept {
    if (controls_.Apply(event)) {
        return;
    }
    const double v = event.value;
    switch (event.index) {
    case kWaveform:
        oscillator_.waveSet = WaveSetFor(kWaveformKinds[TruncateValue(v)]);
        second_.waveSet = oscillator_.waveSet;
        break;
    case kCutoff:
        cutoff_.MoveTo(Cube(v) * kMaxCutoffHz);
        break;
    case kResonance:
        resonance_.MoveTo(Cube(v));
        break;
    case kEnvMod:
        envMod_ = Cube(v);
        break;
    default:
        break;
    }
}

void AnalogBass::PlayNote(const EventRecord& note) noexcept {
    if (!(note.velocity > 0.0)) {
        controls_.amplitude.Release();
        glidePending_ = false;
        return;
    }
    if (glidePending_) {
        oscillator_.GlideTo(note.value, controls_.glideTime);
    } else {
        controls_.amplitude.Start();
        controls_.modulation.Start();
        oscillator_.pitch = note.value;
        oscillator_.GlideTo(note.value, 0.0);
    }
    if (controls_.glideRow) {
        // The note holds until the next one glides in from it.
        glidePending_ = true;
        noteRemaining_ = kHeldNoteSamples;
        controls_.glideRow = false;
    } else {
        noteRemaining_ = note.noteLength > 0.0
                             ? std::max(TruncateValue(note.noteLength * samplesPerBeat), 0)
                             : kHeldNoteSamples;
        glidePending_ = false;
    }
}

[[gnu::always_inline]] inline double AnalogBass::RenderFrame(LadderFilter& filter) noexcept {
    if (coefficientCounter_ == 0) {
        const double cutoff = cutoff_.current;
        const double opened =
            cutoff + (kMaxCutoffHz - cutoff) * envMod_ * controls_.modulation.level;
        filter.Tune(std::clamp(opened, kMinCutoffHz, kMaxCutoffHz), resonance_.current,
                    filterRate_);
    }
    coefficientCounter_ = (coefficientCounter_ + 1) % kCoefficientInterval;

    double x = oscillator_.Tick();
    if (layered_) {
        x = Layer(x);
    }
    filter.Pass(x);
    const double out = filter.Pass(x) * controls_.amplitude.level;

    cutoff_.Tick();
    resonance_.Tick();
    controls_.amplitude.Tick();
    if (noteRemaining_ > 0) {
        --noteRemaining_;
    } else {
        controls_.amplitude.Release();
    }
    controls_.modulation.Tick();
    return out;
}

void AnalogBass::SetLayers(double secondLevel, double detune, double subLevel) noexcept {
    secondLevel_ = secondLevel;
    detune_ = detune;
    subLevel_ = subLevel;
    layerScale_ = 1.0 / (1.0 + secondLevel + subLevel);
    layered_ = secondLevel > 0.0 || subLevel > 0.0;
}

double AnalogBass::Layer(double first) noexcept {
    // With no glide of their own, each layer lands on its target every tick.
    second_.glideTarget = ClampPitch(oscillator_.pitch + detune_);
    sub_.glideTarget = ClampPitch(oscillator_.pitch - kNotesPerOctave);
    const double second = second_.Tick();
    const double sub = sub_.Tick();
    return (first + secondLevel_ * second + subLevel_ * sub) * layerScale_;
}

void AnalogBass::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    // The filter's passes are one long chain of dependent arithmetic; a
    // local copy keeps its state in registers for the whole segment.
    LadderFilter filter = filter_;
    for (int frame = from; frame < to; ++frame) {
        mono_[frame] = RenderFrame(filter);
    }
    filter_ = filter;
    FanOut(record, mono_.data(), from, to);
}

std::int32_t AnalogBass::Stop(std::int32_t mode) {
    if (mode == 1) {
        // Stop means silence now: a release would let a long attack and
        // decay play out first.
        controls_.amplitude.Silence();
        glidePending_ = false;
        noteRemaining_ = 0;
    }
    return 1;
}

} // namespace tarn
