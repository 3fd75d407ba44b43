#pragma once

#include "dsp/MultimodeFilter.h"
#include "dsp/SegmentEnvelope.h"
#include "machines/framework/WaveView.h"

#include <cstdint>

namespace tarn {

// What every voice of a sampler shares: the envelope layouts, the filter
// settings and how often the voice updates its modulation.
struct SamplerSettings {
    SegmentEnvelope::Shape amplitude;  // lengths in samples
    SegmentEnvelope::Shape modulation; // lengths in samples
    double resonance = 0.0;            // cubed, 0..1
    double cutoffModEnv = 0.0;         // cubed, 0..1
    int filterType = kFilterLowpass;
    int filterSlope = 0;      // 0..2: 12, 24 or 36 dB per octave
    int controlInterval = 10; // samples between control updates
    double sampleRate = kDspSampleRate;
};

// One voice of a sampler: a wave read at a pitch, through a multimode
// filter opened by a modulation envelope, shaped by an amplitude envelope.
// The voice holds its wave only as a view refreshed by its machine in
// every Work call (see WaveView); its play phase survives between calls and
// is checked against whatever wave it is given next.
class SamplerVoice {
public:
    // Silent, filter cleared, for a sample rate.
    void Prepare(double rate) noexcept;

    // A note to start at the next frame this voice renders; length in
    // samples (kept within what the countdown can hold).
    void Queue(int note, double lengthSamples) noexcept;
    bool Pending() const noexcept { return pending_; }
    // Starts the queued note on wave.
    void Start(const SamplerSettings& settings, const WaveView& wave) noexcept;

    // The wave the voice reads from now on, at its current phase.
    void SetWave(const WaveView& wave) noexcept;

    // Key release: both envelopes go to their release.
    void Release() noexcept;
    // Silent now, without a release.
    void Silence() noexcept;

    // Renders one frame and adds it to left and right. guard is the frame's
    // denormal guard value; cutoff the machine's cutoff ramp value (0..1).
    void Render(const SamplerSettings& settings, double cutoff, double guard, double& left,
                double& right) noexcept;

    bool Sounding() const noexcept { return amplitude_.current != SegmentEnvelope::kOff; }
    int Note() const noexcept { return note_; }
    std::int64_t Age() const noexcept { return age_; }

    // Linear output gains of the two channels.
    double gainLeft = 1.0;
    double gainRight = 1.0;

private:
    void ControlUpdate(const SamplerSettings& settings, double cutoff) noexcept;

    WaveView wave_;
    double phase_ = 0.0; // frames of the wave, see SampleLoop
    double pitch_ = 1.0; // wave frames per output frame at the wave's own rate
    double step_ = 0.0;  // wave frames per output frame
    double hostRate_ = kDspSampleRate;
    int note_ = 0;
    bool pending_ = false;
    int pendingNote_ = 0;
    std::int64_t pendingLength_ = 0;
    std::int64_t age_ = 0;       // frames since the note started
    std::int64_t remaining_ = 0; // frames to the end of the note; -1 once released
    int controlCountdown_ = 0;
    SegmentEnvelope amplitude_;
    SegmentEnvelope modulation_;
    MultimodeFilter filter_;
};

} // namespace tarn
