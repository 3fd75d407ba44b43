#include "machines/builtin/SamplerEngine.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarn {
namespace {

// Envelope times at parameter value 1.
constexpr double kLongestEnvelopeSeconds = 10.0;
// The time the cutoff takes to sweep its whole range.
constexpr double kCutoffFullRangeSeconds = 0.1;
// How long a note without a length of its own holds.
constexpr double kHeldNoteSeconds = 600.0;
constexpr int kPerfectQuality = 20;

double Cube(double v) noexcept {
    return v * v * v;
}

} // namespace

SamplerEngine::SamplerEngine(MachineInfo info, ParameterTable table)
    : BuiltinMachineBase(std::move(info), table) {
    Prepare(kDspSampleRate);
}

void SamplerEngine::Prepare(double rate) {
    rate_ = rate;
    settings_.sampleRate = rate;
    cutoff_.Init(1.0, 1.0, kCutoffFullRangeSeconds * rate);
    for (SamplerVoice& voice : voices_) {
        voice.Prepare(rate);
    }
}

void SamplerEngine::ApplyParameter(const EventRecord& event) noexcept {
    const double v = event.value;
    const double length = Cube(v) * kLongestEnvelopeSeconds * rate_;
    const double level = std::pow(10.0, v * 0.05);
    switch (event.index) {
    case kAmpAttack:
        settings_.amplitude.attack = length;
        break;
    case kAmpDecay:
        settings_.amplitude.decay = length;
        break;
    case kAmpSustain:
        settings_.amplitude.sustain = level;
        break;
    case kAmpRelease:
        settings_.amplitude.release = length;
        break;
    case kModAttack:
        settings_.modulation.attack = length;
        break;
    case kModDecay:
        settings_.modulation.decay = length;
        break;
    case kModSustain:
        settings_.modulation.sustain = level;
        break;
    case kModRelease:
        settings_.modulation.release = length;
        break;
    case kCutoff:
        cutoff_.Set(v, event.endValue, event.glideLength * samplesPerBeat);
        break;
    case kResonance:
        settings_.resonance = Cube(v);
        break;
    case kCutoffModEnv:
        settings_.cutoffModEnv = Cube(v);
        break;
    case kFilterType:
        settings_.filterType = TruncateValue(v);
        break;
    case kFilterSlope:
        // Held to the three slopes the filter has, whatever a file says.
        settings_.filterSlope = std::clamp(TruncateValue(v), 0, MultimodeFilter::kMaxSections - 1);
        break;
    case kQuality:
        settings_.controlInterval =
            kPerfectQuality - std::clamp(TruncateValue(v), 0, kPerfectQuality);
        break;
    default:
        break;
    }
}

double SamplerEngine::NoteFrames(const EventRecord& note) const noexcept {
    return note.noteLength > 0.0 ? note.noteLength * samplesPerBeat : kHeldNoteSeconds * rate_;
}

WaveView SamplerEngine::FetchWave(int voice) noexcept {
    return WaveView::Of(GetWave(WaveSlot(voice)));
}

std::int32_t SamplerEngine::Work(const WorkRecord& record) noexcept {
    for (int i = 0; i < kVoiceCount; ++i) {
        if (voices_[i].Sounding()) {
            voices_[i].SetWave(FetchWave(i));
        }
    }
    return BuiltinMachineBase::Work(record);
}

void SamplerEngine::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    double* left = record.outputs[0]->samples;
    double* right = record.outputs[1]->samples;
    for (int frame = from; frame < to; ++frame) {
        const double guard = guard_.Next();
        double sumLeft = 0.0;
        double sumRight = 0.0;
        for (int i = 0; i < kVoiceCount; ++i) {
            SamplerVoice& voice = voices_[i];
            if (voice.Pending()) {
                voice.Start(settings_, FetchWave(i));
            }
            if (voice.Sounding()) {
                voice.Render(settings_, cutoff_.value, guard, sumLeft, sumRight);
            }
        }
        left[frame] = sumLeft;
        right[frame] = sumRight;
        cutoff_.Tick();
    }
}

std::int32_t SamplerEngine::Stop(std::int32_t mode) {
    if (mode == 1) {
        for (SamplerVoice& voice : voices_) {
            voice.Silence();
        }
    }
    return 1;
}

} // namespace tarn
