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
// A filter output beyond this has blown up; the state is cleared.
constexpr double kBlowUpLimit = 100.0;
constexpr std::int32_t kAdsrFolder = 0;

// Oscillator wave kind per Waveform value, in the order of the wave names.
constexpr std::array<int, 5> kWaveKinds{kWaveSawtooth, kWaveSquare, kWaveSine, kWaveTriangle,
                                        kWaveBrightRamp};
static_assert(kWaveKinds.size() == kWaveFormNames.size());

struct ParameterRow {
    std::int32_t index;
    const char* name;
    const char* description;
    std::int32_t type;
    std::int32_t folder;
    double minimum;
    double maximum;
    double defaultValue;
    double resolution;
};

// Every parameter after the note, in the order they are described.
constexpr std::array<ParameterRow, 12> kParameters{{
    {AnalogBass::kAttack, "Attack", "Amplitude envelope attack length", kTypeDouble, kAdsrFolder,
     0.0, 1.0, 0.01, 0.05},
    {AnalogBass::kModAttack, "ME Attack", "Modulation envelope attack time", kTypeDouble, -1, 0.0,
     1.0, 0.01, 0.05},
    {AnalogBass::kDecay, "Decay", "Amplitude envelope decay time", kTypeDouble, kAdsrFolder, 0.0,
     1.0, 0.2, 0.05},
    {AnalogBass::kModDecay, "ME Decay", "Modulation envelope decay time", kTypeDouble, -1, 0.0, 1.0,
     0.2, 0.05},
    {AnalogBass::kSustain, "Sustain level", "Amplitude envelope sustain level", kTypeDouble,
     kAdsrFolder, -60.0, 0.0, 0.0, 0.05},
    {AnalogBass::kRelease, "Release", "Amplitude envelope release time", kTypeDouble, kAdsrFolder,
     0.0, 1.0, 0.0, 0.05},
    {AnalogBass::kGlideTime, "Glide time", "Glide time\nThe pitch will glide exponentially",
     kTypeDouble, -1, 0.0, 1.0, 0.0, 0.01},
    {AnalogBass::kGlide, "Glide",
     "Set to one to trigger gliding to next note\nUsed together with note", kTypeSwitch, -1, 0.0,
     1.0, 0.0, 1.0},
    {AnalogBass::kCutoff, "Cutoff", "Filter cutoff frequency", kTypeDouble, -1, 0.0, 1.0, 0.6,
     0.01},
    {AnalogBass::kResonance, "Resonance",
     "Filter resonance\nBoosts the frequencies at the cutoff point", kTypeDouble, -1, 0.0, 1.0, 0.0,
     0.01},
    {AnalogBass::kEnvMod, "Env Mod",
     "Envelope modulation\nControls the amount of change to the cutoff by the Modulation "
     "envelope",
     kTypeDouble, -1, 0.0, 1.0, 0.8, 0.01},
    {AnalogBass::kWaveform, "Waveform", "Oscillator waveform", kTypeByte, -1, 0.0, 4.0, 0.0, 1.0},
}};

double Cube(double v) noexcept {
    return v * v * v;
}

} // namespace

void AnalogBass::Transition::MoveTo(double value) noexcept {
    target = value;
    remaining = std::abs(target - current) / scale * time;
    if (remaining >= 1.0) {
        step = (target - current) / remaining;
    } else {
        current = target;
        step = 0.0;
        remaining = 0.0;
    }
}

void AnalogBass::LadderFilter::Clear() noexcept {
    stage.fill(0.0);
    previous.fill(0.0);
}

void AnalogBass::LadderFilter::Tune(double cutoff, double resonance, double rate) noexcept {
    f = cutoff / rate * 2.0 * 1.16;
    feedback = 4.0 * resonance * (1.0 - 0.15 * f * f);
    gain = 0.35013 * (f * f) * (f * f);
}

double AnalogBass::LadderFilter::Pass(double x) noexcept {
    const double keep = 1.0 - f;
    double input = (x - feedback * stage[3]) * gain;
    for (std::size_t i = 0; i < stage.size(); ++i) {
        stage[i] = input + 0.3 * previous[i] + keep * stage[i];
        previous[i] = input;
        input = stage[i];
    }
    double& out = stage[3];
    // Denormals would slow every later pass; a value out of bounds (either
    // sign, or not a number) would only grow through the clipper's cubic.
    if (std::fpclassify(out) == FP_SUBNORMAL || !(std::abs(out) <= kBlowUpLimit)) {
        Clear();
    }
    out -= out * out * out / 6.0;
    return out;
}

AnalogBass::AnalogBass() {
    cutoff_.scale = kCutoffTransitionScale;
    resonance_.scale = kResonanceTransitionScale;
    Reset(kDspSampleRate);
}

void AnalogBass::Reset(double rate) noexcept {
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

std::int32_t AnalogBass::Init(const ByteBuffer&) {
    // A host that never sent its rate still gets a working machine.
    Reset(sampleRate > 0.0 ? sampleRate : kDspSampleRate);
    return 1;
}

double AnalogBass::EnvelopeLength(double value) const noexcept {
    return std::max(Cube(value) * kMaxTimeSeconds * rate_, kMinEnvelopeSamples);
}

void AnalogBass::Apply(const EventRecord& event) noexcept {
    const double v = event.value;
    switch (event.index) {
    case kWaveform: {
        const std::int32_t wave = TruncateValue(v);
        if (wave >= 0 && wave < static_cast<std::int32_t>(kWaveKinds.size())) {
            oscillator_.waveSet = WaveSetFor(kWaveKinds[wave]);
        }
        break;
    }
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

int AnalogBass::ApplyEvents(const WorkRecord& record, int next, int frame, bool all) noexcept {
    const int count = record.events != nullptr ? record.eventCount : 0;
    const EventRecord* note = nullptr;
    for (; next < count; ++next) {
        const EventRecord* event = record.events[next];
        if (event == nullptr) {
            continue;
        }
        if (!all && event->offset > frame) {
            break;
        }
        // A value that is not a number would poison the filter and pitch
        // for good; such an event is dropped.
        if (!std::isfinite(event->value)) {
            continue;
        }
        if (event->index == kNote) {
            note = event;
        } else {
            Apply(*event);
        }
    }
    if (note != nullptr) {
        PlayNote(*note);
    }
    return next;
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

    cutoff_.Advance();
    resonance_.Advance();
    amplitude_.Tick();
    if (noteRemaining_ > 0) {
        --noteRemaining_;
    } else {
        amplitude_.Release();
    }
    modulation_.Tick();
    return out;
}

std::int32_t AnalogBass::Work(const WorkRecord& record) noexcept {
    const int frames = std::clamp(record.frameCount, 0, kMaxChunkFrames);
    if (frames == 0) {
        ApplyEvents(record, 0, 0, true);
        return 1;
    }
    int next = 0;
    for (int frame = 0; frame < frames; ++frame) {
        // Events past the chunk's end are applied in its last frame rather
        // than lost.
        next = ApplyEvents(record, next, frame, frame == frames - 1);
        mono_[frame] = RenderFrame();
    }
    if (record.outputs != nullptr) {
        for (int channel = 0; channel < info_.outputChannels; ++channel) {
            const ChannelBufferRecord* output = record.outputs[channel];
            if (output != nullptr && output->samples != nullptr) {
                std::copy_n(mono_.data(), frames, output->samples);
            }
        }
    }
    return 1;
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

std::int32_t AnalogBass::FormatValue(std::int32_t index, double value, char* text) {
    switch (index) {
    case kWaveform:
        // A value outside the list leaves an empty text but still counts as
        // the machine's own.
        FormatEnumeration(text, value, kWaveFormNames);
        return 1;
    case kGlideTime:
    case kAttack:
    case kDecay:
    case kRelease:
    case kModAttack:
    case kModDecay:
        return FormatCubicTime(text, value);
    case kSustain:
        return FormatDecibels(text, value);
    case kCutoff:
    case kResonance:
    case kEnvMod:
        return FormatProportion(text, value);
    default:
        return 0;
    }
}

std::int32_t AnalogBass::Describe() {
    info_ = MachineInfo::Builtin(kKindGenerator, "Analog Bass", "ABass");
    DescribeInfo(info_);

    ParameterFolder adsr;
    adsr.parent = -1;
    adsr.name = "ADSR";
    adsr.flag = 1;
    DescribeFolder(kAdsrFolder, adsr);

    DescribeParameter(kNote, ParameterDescriptor::Note("Note", "Note"));
    for (const ParameterRow& row : kParameters) {
        ParameterDescriptor descriptor;
        descriptor.folder = row.folder;
        descriptor.type = row.type;
        descriptor.flags = 0;
        descriptor.name = row.name;
        descriptor.description = row.description;
        descriptor.minimum = row.minimum;
        descriptor.maximum = row.maximum;
        descriptor.defaultValue = row.defaultValue;
        descriptor.resolution = row.resolution;
        DescribeParameter(row.index, descriptor);
    }
    return 1;
}

} // namespace tarn
