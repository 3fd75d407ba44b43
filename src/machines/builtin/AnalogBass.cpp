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
// Longest envelope segment and glide, at parameter value 1.
constexpr double kMaxTimeSeconds = 5.0;
// Envelope segments never get shorter than this, so even an attack of 0
// does not click.
constexpr double kMinEnvelopeSamples = 5.0;
// The note length of a note that has none of its own: about six minutes.
constexpr std::int32_t kHeldNoteSamples = 16777215;
// Filter coefficients are recomputed once every this many frames.
constexpr int kCoefficientInterval = 5;
constexpr std::int32_t kAdsrFolder = 0;

static_assert(kWaveformKinds.size() == kWaveFormNames.size());

int FormatSustain(char* text, double v) noexcept {
    return FormatDecibels(text, v);
}

int FormatPercent(char* text, double v) noexcept {
    return FormatProportion(text, v);
}

constexpr FolderRow kFolders[] = {{.index = kAdsrFolder, .name = "ADSR"}};

// Every parameter, in the order they are described.
constexpr ParameterRow kParameters[] = {
    NoteRow(AnalogBass::kNote),
    {.index = AnalogBass::kAttack,
     .name = "Attack",
     .description = "Amplitude envelope attack length",
     .defaultValue = 0.01,
     .resolution = 0.05,
     .folder = kAdsrFolder,
     .format = FormatCubicTime},
    {.index = AnalogBass::kModAttack,
     .name = "ME Attack",
     .description = "Modulation envelope attack time",
     .defaultValue = 0.01,
     .resolution = 0.05,
     .folder = -1,
     .format = FormatCubicTime},
    {.index = AnalogBass::kDecay,
     .name = "Decay",
     .description = "Amplitude envelope decay time",
     .defaultValue = 0.2,
     .resolution = 0.05,
     .folder = kAdsrFolder,
     .format = FormatCubicTime},
    {.index = AnalogBass::kModDecay,
     .name = "ME Decay",
     .description = "Modulation envelope decay time",
     .defaultValue = 0.2,
     .resolution = 0.05,
     .folder = -1,
     .format = FormatCubicTime},
    {.index = AnalogBass::kSustain,
     .name = "Sustain level",
     .description = "Amplitude envelope sustain level",
     .minimum = -60.0,
     .maximum = 0.0,
     .defaultValue = 0.0,
     .resolution = 0.05,
     .folder = kAdsrFolder,
     .format = FormatSustain},
    {.index = AnalogBass::kRelease,
     .name = "Release",
     .description = "Amplitude envelope release time",
     .resolution = 0.05,
     .folder = kAdsrFolder,
     .format = FormatCubicTime},
    {.index = AnalogBass::kGlideTime,
     .name = "Glide time",
     .description = "Glide time\nThe pitch will glide exponentially",
     .folder = -1,
     .format = FormatCubicTime},
    {.index = AnalogBass::kGlide,
     .name = "Glide",
     .description = "Set to one to trigger gliding to next note\nUsed together with note",
     .type = kTypeSwitch,
     .resolution = 1.0,
     .folder = -1},
    {.index = AnalogBass::kCutoff,
     .name = "Cutoff",
     .description = "Filter cutoff frequency",
     .defaultValue = 0.6,
     .folder = -1,
     .format = FormatPercent},
    {.index = AnalogBass::kResonance,
     .name = "Resonance",
     .description = "Filter resonance\nBoosts the frequencies at the cutoff point",
     .folder = -1,
     .format = FormatPercent},
    {.index = AnalogBass::kEnvMod,
     .name = "Env Mod",
     .description = "Envelope modulation\nControls the amount of change to the cutoff by the "
                    "Modulation envelope",
     .defaultValue = 0.8,
     .folder = -1,
     .format = FormatPercent},
    {.index = AnalogBass::kWaveform,
     .name = "Waveform",
     .description = "Oscillator waveform",
     .type = kTypeByte,
     .maximum = 4.0,
     .resolution = 1.0,
     .folder = -1,
     .names = kWaveFormNames},
};

double Cube(double v) noexcept {
    return v * v * v;
}

} // namespace

AnalogBass::AnalogBass()
    : BuiltinMachineBase(MachineInfo::Builtin(kKindGenerator, "Analog Bass", "ABass"),
                         ParameterTable{kParameters, kFolders}) {
    cutoff_.scale = kCutoffTransitionScale;
    resonance_.scale = kResonanceTransitionScale;
    Prepare(kDspSampleRate);
}

void AnalogBass::Prepare(double rate) {
    rate_ = rate;
    filterRate_ = 2.0 * rate;
    cutoff_.time = kTransitionSeconds * rate;
    resonance_.time = kTransitionSeconds * rate;
    filter_.Clear();
    coefficientCounter_ = 0;

    oscillator_ = BandLimitedOscillator{};
    oscillator_.sampleRate = rate;
    oscillator_.waveSet = WaveSetFor(kWaveSawtooth);

    amplitude_.Silence();
    modulation_.Silence();
    glideRequest_ = false;
    glidePending_ = false;
    noteRemaining_ = 0;
}

double AnalogBass::EnvelopeLength(double value) const noexcept {
    return std::max(Cube(value) * kMaxTimeSeconds * rate_, kMinEnvelopeSamples);
}

void AnalogBass::ApplyParameter(const EventRecord& event) noexcept {
    const double v = event.value;
    switch (event.index) {
    case kWaveform:
        oscillator_.waveSet = WaveSetFor(kWaveformKinds[TruncateValue(v)]);
        break;
    case kGlideTime:
        glideTime_ = Cube(v) * kMaxTimeSeconds * rate_;
        break;
    case kGlide:
        glideRequest_ = TruncateValue(v) != 0;
        break;
    case kAttack:
        amplitude_.segments[SegmentEnvelope::kAttack].length = EnvelopeLength(v);
        break;
    case kDecay:
        amplitude_.segments[SegmentEnvelope::kDecay].length = EnvelopeLength(v);
        break;
    case kRelease:
        amplitude_.segments[SegmentEnvelope::kRelease].length = EnvelopeLength(v);
        break;
    case kSustain:
        amplitude_.SetSustainLevel(std::max(std::pow(10.0, v * 0.05), SegmentEnvelope::kFloor));
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
    case kModAttack:
        modulation_.segments[SegmentEnvelope::kAttack].length = EnvelopeLength(v);
        break;
    case kModDecay:
        modulation_.segments[SegmentEnvelope::kDecay].length = EnvelopeLength(v);
        break;
    default:
        break;
    }
}

void AnalogBass::PlayNote(const EventRecord& note) noexcept {
    if (!(note.velocity > 0.0)) {
        amplitude_.Release();
        glidePending_ = false;
        return;
    }
    if (glidePending_) {
        oscillator_.GlideTo(note.value, glideTime_);
    } else {
        amplitude_.Start();
        modulation_.Start();
        oscillator_.pitch = note.value;
        oscillator_.GlideTo(note.value, 0.0);
    }
    if (glideRequest_) {
        // The note holds until the next one glides in from it.
        glidePending_ = true;
        noteRemaining_ = kHeldNoteSamples;
        glideRequest_ = false;
    } else {
        noteRemaining_ = note.noteLength > 0.0
                             ? std::max(TruncateValue(note.noteLength * samplesPerBeat), 0)
                             : kHeldNoteSamples;
        glidePending_ = false;
    }
}

double AnalogBass::RenderFrame() noexcept {
    if (coefficientCounter_ == 0) {
        const double cutoff = cutoff_.current;
        const double opened = cutoff + (kMaxCutoffHz - cutoff) * envMod_ * modulation_.level;
        filter_.Tune(std::clamp(opened, kMinCutoffHz, kMaxCutoffHz), resonance_.current,
                     filterRate_);
    }
    coefficientCounter_ = (coefficientCounter_ + 1) % kCoefficientInterval;

    const double x = oscillator_.Tick();
    filter_.Pass(x);
    const double out = filter_.Pass(x) * amplitude_.level;

    cutoff_.Tick();
    resonance_.Tick();
    amplitude_.Tick();
    if (noteRemaining_ > 0) {
        --noteRemaining_;
    } else {
        amplitude_.Release();
    }
    modulation_.Tick();
    return out;
}

void AnalogBass::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    for (int frame = from; frame < to; ++frame) {
        mono_[frame] = RenderFrame();
    }
    FanOut(record, mono_.data(), from, to);
}

std::int32_t AnalogBass::Stop(std::int32_t mode) {
    if (mode == 1) {
        // Stop means silence now: a release would let a long attack and
        // decay play out first.
        amplitude_.Silence();
        glidePending_ = false;
        noteRemaining_ = 0;
    }
    return 1;
}

} // namespace tarn
