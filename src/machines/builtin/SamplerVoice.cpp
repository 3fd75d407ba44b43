#include "machines/builtin/SamplerVoice.h"

#include "dsp/SampleReader.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

// The root note: it plays a wave at its own rate; each octave doubles it.
constexpr int kRootNote = 48;
constexpr double kMinCutoffHz = 20.0;
constexpr double kMaxCutoffHz = 20000.0;
// Longest note the countdown takes: far beyond any song, and far from
// overflowing.
constexpr double kLongestNote = 1e15;

// Starts an envelope on shape with its attack rising from start.
void StartFrom(SegmentEnvelope& envelope, const SegmentEnvelope::Shape& shape,
               double start) noexcept {
    envelope.Start(shape);
    envelope.segments[SegmentEnvelope::kAttack].start = start;
    envelope.Enter(SegmentEnvelope::kAttack);
}

} // namespace

void SamplerVoice::Prepare(double rate) noexcept {
    hostRate_ = rate;
    filter_.Init(rate);
    Silence();
    modulation_.Silence();
    wave_ = {};
}

void SamplerVoice::Queue(int note, double lengthSamples) noexcept {
    pending_ = true;
    pendingNote_ = note;
    pendingLength_ = static_cast<std::int64_t>(std::clamp(lengthSamples, 0.0, kLongestNote));
    age_ = 0;
}

void SamplerVoice::Start(const SamplerSettings& settings, const WaveView& wave) noexcept {
    pending_ = false;
    note_ = pendingNote_;
    remaining_ = pendingLength_;
    age_ = 0;
    phase_ = 0.0;
    pitch_ = std::exp2((note_ - kRootNote) / 12.0);
    SetWave(wave);

    StartFrom(amplitude_, settings.amplitude, std::max(amplitude_.level, SegmentEnvelope::kFloor));
    // The modulation envelope advances once per control update, so its
    // lengths count updates.
    const double updates = std::max(settings.controlInterval, 1);
    SegmentEnvelope::Shape modulation = settings.modulation;
    modulation.attack /= updates;
    modulation.decay /= updates;
    modulation.release /= updates;
    StartFrom(modulation_, modulation, SegmentEnvelope::kFloor);
    controlCountdown_ = 0;
}

void SamplerVoice::SetWave(const WaveView& wave) noexcept {
    wave_ = wave;
    step_ = pitch_ * wave.RateRatio(hostRate_);
}

void SamplerVoice::Release() noexcept {
    amplitude_.Release();
    modulation_.Release();
    remaining_ = -1;
}

void SamplerVoice::Silence() noexcept {
    amplitude_.Silence();
    pending_ = false;
    remaining_ = -1;
}

void SamplerVoice::ControlUpdate(const SamplerSettings& settings, double cutoff) noexcept {
    const double w = cutoff + modulation_.level * settings.cutoffModEnv;
    filter_.cutoff = std::clamp(w * w * w * (kMaxCutoffHz - kMinCutoffHz) + kMinCutoffHz,
                                kMinCutoffHz, kMaxCutoffHz);
    filter_.resonance = settings.resonance;
    filter_.bandwidth = settings.resonance * 5.0 + 1.0;
    filter_.type = settings.filterType;
    filter_.sectionCount = settings.filterSlope + 1;
    filter_.UpdateCoefficients();
    modulation_.Tick();
}

void SamplerVoice::Render(const SamplerSettings& settings, double cutoff, double guard,
                          double& left, double& right) noexcept {
    if (controlCountdown_ <= 0) {
        ControlUpdate(settings, cutoff);
        controlCountdown_ = settings.controlInterval;
    } else {
        --controlCountdown_;
    }
    // The note's length counts frames, whatever the control interval.
    if (remaining_ == 0) {
        Release();
    } else if (remaining_ > 0) {
        --remaining_;
    }

    double l = guard;
    double r = guard;
    if (wave_.Present()) {
        phase_ = wave_.loop.Wrap(phase_);
        const double at = wave_.loop.ReadPosition(phase_);
        // Without a loop the wave ends one frame before its last, where
        // there is nothing left to blend with; the phase then stays.
        if (wave_.loop.active || at + 1.0 < wave_.frames) {
            l += ReadSample(wave_.left, wave_.frames, at);
            r += ReadSample(wave_.right, wave_.frames, at);
            phase_ += step_;
        }
    }
    const double level = amplitude_.level;
    left += filter_.Process(0, l) * level * gainLeft;
    right += filter_.Process(1, r) * level * gainRight;
    amplitude_.Tick();
    ++age_;
}

} // namespace tarn
