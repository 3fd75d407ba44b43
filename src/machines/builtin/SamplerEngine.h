#pragma once

#include "dsp/DenormalGuard.h"
#include "dsp/ParameterRamp.h"
#include "machines/builtin/SamplerVoice.h"
#include "machines/builtin/synth/SubtractiveSynthRows.h"
#include "machines/framework/BuiltinMachineBase.h"
#include "machines/framework/ParameterDisplay.h"

#include <array>
#include <cstdint>

namespace tarn {

// The sampler machines: sixteen voices that play wavetable waves pitched by
// note, each through its own multimode filter, with an amplitude and a
// modulation envelope. The machine-wide sound (envelopes, filter, control
// rate) is set by the parameters below, which every sampler declares; a
// machine adds how notes find voices and which wave each voice plays.
//
// Waves: in every Work call each sounding voice asks the host for its wave
// again (WaveSlot), so a replaced or removed wave reaches sounding voices at
// the next buffer and no voice ever keeps a wave past the call in which the
// host handed it out. Voice memory is part of the machine; Work allocates
// nothing.
class SamplerEngine : public BuiltinMachineBase {
public:
    static constexpr int kVoiceCount = 16;

    // Parameter numbers of the shared sound.
    enum Parameter : std::int32_t {
        kNote = 0,
        kAmpAttack = 11,
        kAmpDecay = 12,
        kAmpSustain = 13,
        kAmpRelease = 14,
        kCutoff = 20,
        kResonance = 21,
        kCutoffModEnv = 22,
        kFilterType = 23,
        kFilterSlope = 24,
        kModAttack = 30,
        kModDecay = 31,
        kModSustain = 32,
        kModRelease = 33,
        kQuality = 40,
    };
    enum Folder : std::int32_t { kAmpEnvFolder = 0, kModEnvFolder = 1 };

    std::int32_t Work(const WorkRecord& record) noexcept override;
    // Mode 1 silences every voice at once: a held note would otherwise
    // sound on for its whole length.
    std::int32_t Stop(std::int32_t mode) override;

    const SamplerVoice& VoiceAt(int index) const { return voices_[index]; }

protected:
    SamplerEngine(MachineInfo info, ParameterTable table);

    void Prepare(double rate) override;
    // The shared sound parameters; machines pass on what is not theirs.
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

    // The wavetable slot voice plays.
    virtual int WaveSlot(int voice) const noexcept = 0;

    // Frames a note lasts: its length in beats, or a long hold (600 s) for
    // a note without length, which ends at its key release.
    double NoteFrames(const EventRecord& note) const noexcept;

    std::array<SamplerVoice, kVoiceCount>& Voices() noexcept { return voices_; }

private:
    WaveView FetchWave(int voice) noexcept;

    double rate_ = kDspSampleRate;
    SamplerSettings settings_;
    ParameterRamp cutoff_;
    DenormalGuard guard_;
    std::array<SamplerVoice, kVoiceCount> voices_{};
};

// The rows of the shared sound, for the samplers' parameter tables.
namespace sampler_rows {

inline constexpr FolderRow kFolders[] = {
    {.index = SamplerEngine::kAmpEnvFolder, .name = "Amp Env"},
    {.index = SamplerEngine::kModEnvFolder, .name = "Mod Env"},
};

constexpr ParameterRow EnvelopeTime(std::int32_t index, const char* name, const char* description,
                                    std::int32_t folder) {
    return {.index = index,
            .name = name,
            .description = description,
            .defaultValue = 0.1,
            .resolution = 0.005,
            .folder = folder,
            .flags = kParamGlobal,
            .format = FormatSynthTime};
}

constexpr ParameterRow Sustain(std::int32_t index, std::int32_t folder) {
    return {.index = index,
            .name = "Sustain level",
            .description = "Sustain level",
            .minimum = -60.0,
            .maximum = 0.0,
            .defaultValue = 0.0,
            .resolution = 0.05,
            .folder = folder,
            .flags = kParamGlobal,
            .format = FormatSustainLevel};
}

constexpr ParameterRow Proportion(std::int32_t index, const char* name, const char* description,
                                  double defaultValue) {
    return {.index = index,
            .name = name,
            .description = description,
            .defaultValue = defaultValue,
            .resolution = 1.0,
            .folder = -1,
            .flags = kParamGlobal,
            .format = FormatPercent};
}

// The envelopes, amplitude and modulation side by side.
inline constexpr std::array<ParameterRow, 8> kEnvelopeRows{{
    EnvelopeTime(SamplerEngine::kAmpAttack, "Attack", "Attack Length",
                 SamplerEngine::kAmpEnvFolder),
    EnvelopeTime(SamplerEngine::kModAttack, "Attack", "Filter Length",
                 SamplerEngine::kModEnvFolder),
    EnvelopeTime(SamplerEngine::kAmpDecay, "Decay", "Decay Length", SamplerEngine::kAmpEnvFolder),
    EnvelopeTime(SamplerEngine::kModDecay, "Decay", "Decay Length", SamplerEngine::kModEnvFolder),
    Sustain(SamplerEngine::kAmpSustain, SamplerEngine::kAmpEnvFolder),
    Sustain(SamplerEngine::kModSustain, SamplerEngine::kModEnvFolder),
    EnvelopeTime(SamplerEngine::kAmpRelease, "Release", "Release Length",
                 SamplerEngine::kAmpEnvFolder),
    EnvelopeTime(SamplerEngine::kModRelease, "Release", "Release Length",
                 SamplerEngine::kModEnvFolder),
}};

// The filter and the control rate.
inline constexpr std::array<ParameterRow, 6> kFilterRows{{
    Proportion(SamplerEngine::kCutoff, "Cutoff", "Filter cutoff", 1.0),
    Proportion(SamplerEngine::kResonance, "Resonance", "Filter resonance", 0.0),
    Proportion(SamplerEngine::kCutoffModEnv, "Cutoff (Mod Env)", "Cutoff (Mod Env)", 0.0),
    {.index = SamplerEngine::kFilterType,
     .name = "Filter type",
     .description = "Filter type",
     .type = kTypeByte,
     .maximum = 3.0,
     .resolution = 1.0,
     .folder = -1,
     .flags = kParamGlobal,
     .names = kFilterTypeNames},
    {.index = SamplerEngine::kFilterSlope,
     .name = "Filter slope",
     .description = "Filter slope",
     .type = kTypeByte,
     .maximum = 2.0,
     .resolution = 1.0,
     .folder = -1,
     .flags = kParamGlobal,
     .names = kFilterSlopeNames},
    {.index = SamplerEngine::kQuality,
     .name = "Quality",
     .description = "Quality",
     .type = kTypeByte,
     .maximum = 20.0,
     .defaultValue = 10.0,
     .resolution = 1.0,
     .folder = -1,
     .flags = kParamGlobal,
     .format = FormatQuality},
}};

} // namespace sampler_rows

} // namespace tarn
