#include "machines/builtin/synth/MonoVoiceControls.h"

#include "machines/framework/ParameterDisplay.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

constexpr double kMinEnvelopeSamples = 5.0;

} // namespace

void MonoVoiceControls::Prepare(double sampleRate) noexcept {
    rate = sampleRate;
    amplitude.Silence();
    modulation.Silence();
    glideRow = false;
    glidePending = false;
    noteRemaining = 0;
}

bool MonoVoiceControls::Apply(const EventRecord& event) noexcept {
    const double v = event.value;
    const double length = std::max(Seconds(v) * rate, kMinEnvelopeSamples);
    switch (event.index) {
    case kGlideTime:
        glideTime = Seconds(v) * rate;
        return true;
    case kGlide:
        glideRow = TruncateValue(v) != 0;
        return true;
    case kAttack:
        amplitude.segments[SegmentEnvelope::kAttack].length = length;
        return true;
    case kDecay:
        amplitude.segments[SegmentEnvelope::kDecay].length = length;
        return true;
    case kRelease:
        amplitude.segments[SegmentEnvelope::kRelease].length = length;
        return true;
    case kSustain:
        amplitude.SetSustainLevel(std::max(std::pow(10.0, v * 0.05), SegmentEnvelope::kFloor));
        return true;
    case kModAttack:
        modulation.segments[SegmentEnvelope::kAttack].length = length;
        return true;
    case kModDecay:
        modulation.segments[SegmentEnvelope::kDecay].length = length;
        return true;
    default:
        return false;
    }
}

bool MonoVoiceControls::StartNote(const EventRecord& note, double samplesPerBeat) noexcept {
    const bool glide = glidePending;
    if (!glide) {
        amplitude.Start();
        modulation.Start();
    }
    if (glideRow) {
        glidePending = true;
        noteRemaining = kHeldNoteSamples;
        glideRow = false;
    } else {
        glidePending = false;
        noteRemaining =
            note.noteLength > 0.0
                ? std::clamp(TruncateValue(note.noteLength * samplesPerBeat), 1, kHeldNoteSamples)
                : kHeldNoteSamples;
    }
    return glide;
}

void MonoVoiceControls::Release() noexcept {
    amplitude.Release();
    modulation.Release();
    glidePending = false;
    noteRemaining = 0;
}

} // namespace tarn
