#include "machines/builtin/BoldDriveBass.h"

#include "dsp/DspLibrary.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

// The cutoff is 20 Hz · 2^(x · 6.43) for an exponent x of the Cutoff value
// plus the filter envelope times Env Mod, within 20 Hz..14 kHz.
constexpr double kLowestCutoffHz = 20.0;
constexpr double kHighestCutoffHz = 14000.0;
constexpr double kCutoffOctaves = 6.43;
// A cutoff change of this much, or a resonance change of 1, takes the
// transition time.
constexpr double kCutoffTransitionScale = 0.5;
constexpr double kResonanceTransitionScale = 1.0;
constexpr double kTransitionSeconds = 0.2;
// The filter is retuned once every this many samples.
constexpr int kRetuneInterval = 11;

MachineInfo BoldDriveBassInfo() {
    MachineInfo info = MachineInfo::Builtin(kKindGenerator, "Bold Drive Bass", "BDB");
    info.maxTracks = 4;
    info.alternateName = "Drive it bold";
    return info;
}

} // namespace

BoldDriveBass::BoldDriveBass()
    : BoldDriveBass(BoldDriveBassInfo(), ParameterTable{bold_drive::kRows, bold_drive::kFolders}) {}

BoldDriveBass::BoldDriveBass(MachineInfo info, ParameterTable table)
    : BuiltinMachineBase(std::move(info), table) {
    cutoff_.scale = kCutoffTransitionScale;
    resonance_.scale = kResonanceTransitionScale;
    Prepare(kDspSampleRate);
}

void BoldDriveBass::Prepare(double rate) {
    rate_ = rate;
    cutoff_.time = kTransitionSeconds * rate;
    resonance_.time = kTransitionSeconds * rate;
    filter_.Clear();
    retuneCountdown_ = 0;
    rendered_ = false;

    oscillator_ = BandLimitedOscillator{};
    oscillator_.sampleRate = rate;
    oscillator_.waveSet = WaveSetFor(kWaveSawtooth);
    shifted_ = oscillator_;
    pulseWidth_ = 0.0;

    controls_.Prepare(rate);
}

void BoldDriveBass::MoveRamp(SlewRamp& ramp, double value) noexcept {
    // The settings a machine starts with are where it starts, not where it
    // first has to travel to.
    if (rendered_) {
        ramp.MoveTo(value);
    } else {
        ramp = SlewRamp{.current = value, .target = value, .scale = ramp.scale, .time = ramp.time};
    }
}

void BoldDriveBass::ApplyParameter(const EventRecord& event) noexcept {
    if (controls_.Apply(event)) {
        return;
    }
    const double v = event.value;
    switch (event.index) {
    case kWaveform:
        oscillator_.waveSet = WaveSetFor(kWaveformKinds[std::clamp(TruncateValue(v), 0, 4)]);
        SetPulseWidth(0.0);
        break;
    case kCutoff:
        MoveRamp(cutoff_, v);
        break;
    case kResonance:
        MoveRamp(resonance_, v);
        break;
    case kEnvMod:
        envMod_ = v;
        break;
    case kDist:
        dist_ = v;
        break;
    default:
        break;
    }
}

void BoldDriveBass::SetPulseWidth(double width) noexcept {
    pulseWidth_ = width;
    if (width > 0.0) {
        shifted_.waveSet = oscillator_.waveSet;
        // The falling sawtooth minus itself later by the low part of the
        // period: high for `width` of it, low for the rest, no DC.
        shifted_.phase = oscillator_.phase + (1.0 - width);
        if (shifted_.phase >= 1.0) {
            shifted_.phase -= 1.0;
        }
    }
}

void BoldDriveBass::GlidePitch(double note, double samples) noexcept {
    oscillator_.GlideTo(note, samples);
    shifted_.pitch = oscillator_.pitch;
    shifted_.GlideTo(note, samples);
}

void BoldDriveBass::PlayNote(const EventRecord& note) noexcept {
    if (!(note.velocity > 0.0)) {
        controls_.Release();
        return;
    }
    const bool sounding = controls_.amplitude.current != SegmentEnvelope::kOff;
    if (controls_.StartNote(note, samplesPerBeat) || (glideAlways_ && sounding)) {
        GlidePitch(note.value, controls_.glideTime);
    } else {
        oscillator_.pitch = note.value;
        GlidePitch(note.value, 0.0);
    }
}

void BoldDriveBass::Retune() noexcept {
    const double exponent = controls_.modulation.level * envMod_ + cutoff_.current;
    const double cutoff = std::clamp(kLowestCutoffHz * std::exp2(exponent * kCutoffOctaves),
                                     kLowestCutoffHz, kHighestCutoffHz);
    filter_.Tune(cutoff, resonance_.current, 2.0 * rate_);
    drive_ = (filter_.feedback * (1.0 - filter_.k) * 2.0 + 1.5) * dist_ + 1.0;
}

double BoldDriveBass::RenderFrame() noexcept {
    if (--retuneCountdown_ < 0) {
        retuneCountdown_ = kRetuneInterval - 1;
        Retune();
    }
    double m = oscillator_.Tick();
    if (pulseWidth_ > 0.0) {
        m -= shifted_.Tick();
    }
    filter_.Pass(m);
    const double out =
        SaturatingLadder::Saturate(filter_.Pass(m) * drive_) * controls_.amplitude.level;

    cutoff_.Tick();
    resonance_.Tick();
    controls_.amplitude.Tick();
    controls_.modulation.Tick();
    controls_.CountDown();
    return out;
}

void BoldDriveBass::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    rendered_ = true;
    for (int frame = from; frame < to; ++frame) {
        mono_[frame] = RenderFrame();
    }
    FanOut(record, mono_.data(), from, to);
}

std::int32_t BoldDriveBass::Stop(std::int32_t mode) {
    if (mode == 1) {
        controls_.Release();
    }
    return 1;
}

} // namespace tarn
