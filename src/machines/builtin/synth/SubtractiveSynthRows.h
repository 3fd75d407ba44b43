#pragma once

#include "machines/builtin/synth/SubtractiveSynth.h"
#include "machines/framework/ParameterDisplay.h"
#include "machines/framework/ParameterTable.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarn {

// The parameter rows the subtractive synthesizers have in common, as the
// first of them declares them; the others copy and adjust them.

// Display texts.
int FormatSynthTime(char* text, double v) noexcept;    // v³ × 10 s: "1250.000ms"
int FormatLfoSpeed(char* text, double v) noexcept;     // v³ × 10 Hz: "1.250 hz"
int FormatSustainLevel(char* text, double v) noexcept; // "0.50db"
int FormatOctaveOffset(char* text, double v) noexcept; // "-2"
int FormatSemiOffset(char* text, double v) noexcept;   // "7"
int FormatDetuneCents(char* text, double v) noexcept;  // "-10 cents"
int FormatPitchRange(char* text, double v) noexcept;   // "+/- 0.50 oct"
int FormatGlideMs(char* text, double v) noexcept;      // "10.00ms"
int FormatSyncRate(char* text, double v) noexcept;     // "off", "16/1 beat(s)" .. "1/16 beat(s)"
int FormatQuality(char* text, double v) noexcept;      // "Medium", "High", "Perfect", "7"
int FormatPercent(char* text, double v) noexcept;      // "25.00%"

inline constexpr std::array<const char*, 4> kLfoShapeNames{"Sin", "Saw", "Triangle", "Square"};
inline constexpr std::array<const char*, 2> kOnOffNames{"Off", "On"};
inline constexpr std::span<const char* const> kSynthWaveNames =
    std::span(kWaveFormNames).first<4>();

// Every row of a template once per base index: index = base + template
// index, folder = base (each oscillator and LFO has a folder of its own,
// numbered like its first parameter).
template <std::size_t N, std::size_t M>
constexpr std::array<ParameterRow, N * M> RepeatRows(const std::array<ParameterRow, N>& rows,
                                                     const std::array<std::int32_t, M>& bases) {
    std::array<ParameterRow, N * M> out{};
    for (std::size_t b = 0; b < M; ++b) {
        for (std::size_t r = 0; r < N; ++r) {
            ParameterRow row = rows[r];
            row.index += bases[b];
            row.folder = bases[b];
            out[b * N + r] = row;
        }
    }
    return out;
}

inline constexpr std::array<std::int32_t, SubtractiveSynth::kOscillatorCount> kOscillatorBases{
    100, 120, 140, 160};
inline constexpr std::array<std::int32_t, SubtractiveSynth::kLfoCount> kLfoBases{200, 210};

// The oscillators' rows at every base, the first oscillator on from the
// start so that a new synth sounds; the others start off.
template <std::size_t N>
constexpr std::array<ParameterRow, N * SubtractiveSynth::kOscillatorCount>
OscillatorBankRows(const std::array<ParameterRow, N>& rows) {
    std::array<ParameterRow, N* SubtractiveSynth::kOscillatorCount> out =
        RepeatRows(rows, kOscillatorBases);
    for (std::size_t r = 0; r < N; ++r) {
        if (out[r].index == kOscillatorBases[0] + SubtractiveSynth::kEnabled) {
            out[r].defaultValue = 1.0;
        }
    }
    return out;
}

inline constexpr std::array<FolderRow, 12> kSynthFolders{{
    {SubtractiveSynth::kAmpEnvFolder, "Amp Env"},
    {SubtractiveSynth::kModEnvFolder, "Mod Env"},
    {SubtractiveSynth::kOscillatorsFolder, "Oscillators"},
    {SubtractiveSynth::kLfosFolder, "LFOs"},
    {SubtractiveSynth::kFilterModFolder, "Filter Mod"},
    {SubtractiveSynth::kGlobalFolder, "Global"},
    {100, "Osc 1", SubtractiveSynth::kOscillatorsFolder, 0},
    {120, "Osc 2", SubtractiveSynth::kOscillatorsFolder, 0},
    {140, "Osc 3", SubtractiveSynth::kOscillatorsFolder, 0},
    {160, "Osc 4", SubtractiveSynth::kOscillatorsFolder, 0},
    {200, "LFO 1", SubtractiveSynth::kLfosFolder, 0},
    {210, "LFO 2", SubtractiveSynth::kLfosFolder, 0},
}};

// One LFO's rows, indices relative to its base.
inline constexpr std::array<ParameterRow, 7> kSynthLfoRows{{
    {.index = SubtractiveSynth::kShape,
     .name = "Shape",
     .description = "Shape",
     .type = kTypeByte,
     .maximum = 3.0,
     .resolution = 1.0,
     .names = kLfoShapeNames},
    {.index = SubtractiveSynth::kSpeed,
     .name = "Speed",
     .description = "Speed",
     .resolution = 0.001,
     .format = FormatLfoSpeed},
    {.index = SubtractiveSynth::kVoiceCommon,
     .name = "Voice common",
     .description = "Voice common",
     .type = kTypeSwitch,
     .resolution = 0.0,
     .names = kOnOffNames},
    {.index = SubtractiveSynth::kKeySync,
     .name = "Key sync",
     .description = "Key sync\nWhen set to 'on', the LFO will be reset on each note on",
     .type = kTypeSwitch,
     .resolution = 0.0,
     .names = kOnOffNames},
    {.index = SubtractiveSynth::kStartPhase,
     .name = "Start phase",
     .description = "Start phase\nKey sync must be set to 'on'.",
     .resolution = 0.001,
     .format = FormatPercent},
    {.index = SubtractiveSynth::kDelay,
     .name = "Delay",
     .description = "Delay time (LFO fade in)\nThe time it takes for the LFO to reach full "
                    "effect after a note on",
     .resolution = 0.001,
     .format = FormatSynthTime},
    {.index = SubtractiveSynth::kSyncRate,
     .name = "Sync rate",
     .description = "Sync rate\nSync LFO to current tempo.",
     .type = kTypeByte,
     .maximum = 31.0,
     .resolution = 1.0,
     .format = FormatSyncRate},
}};

// One oscillator's rows, indices relative to its base.
inline constexpr std::array<ParameterRow, 9> kSynthOscillatorRows{{
    {.index = SubtractiveSynth::kEnabled,
     .name = "Enabled",
     .description = "Enabled",
     .type = kTypeSwitch,
     .resolution = 1.0},
    {.index = SubtractiveSynth::kOctave,
     .name = "Octave",
     .description = "Octave",
     .type = kTypeByte,
     .maximum = 8.0,
     .defaultValue = 4.0,
     .resolution = 1.0,
     .format = FormatOctaveOffset},
    {.index = SubtractiveSynth::kSemi,
     .name = "Semi",
     .description = "Semi",
     .type = kTypeByte,
     .maximum = 24.0,
     .defaultValue = 12.0,
     .resolution = 1.0,
     .format = FormatSemiOffset},
    {.index = SubtractiveSynth::kDetune,
     .name = "Detune",
     .description = "Detune",
     .type = kTypeByte,
     .maximum = 100.0,
     .defaultValue = 50.0,
     .resolution = 1.0,
     .format = FormatDetuneCents},
    {.index = SubtractiveSynth::kWaveform,
     .name = "Waveform",
     .description = "Waveform",
     .type = kTypeByte,
     .maximum = 3.0,
     .resolution = 1.0,
     .names = kSynthWaveNames},
    {.index = SubtractiveSynth::kVolume,
     .name = "Volume",
     .description = "Volume",
     .defaultValue = 1.0},
    {.index = SubtractiveSynth::kPitchLfo1,
     .name = "Pitch mod (LFO1)",
     .description = "Pitch mod (LFO1)\nThe amount of pitch modulated by LFO 1.",
     .format = FormatPitchRange},
    {.index = SubtractiveSynth::kPitchModEnv,
     .name = "Pitch mod (ModEnv)",
     .description = "Pitch mod (ModEnv)\nThe amount of pitch modulated by the Modulation envelope.",
     .format = FormatPitchRange},
    {.index = SubtractiveSynth::kVolumeLfo1,
     .name = "Vol mod (LFO1)",
     .description = "Vol mod (LFO1)\nThe amount of volume modulated by LFO 1"},
}};

// Attack, decay, sustain and release of one envelope.
constexpr std::array<ParameterRow, 4> SynthEnvelopeRows(std::int32_t attack, std::int32_t decay,
                                                        std::int32_t sustain, std::int32_t release,
                                                        std::int32_t folder) {
    return {{
        {.index = attack,
         .name = "Attack",
         .description = "Attack time",
         .resolution = 0.0005,
         .folder = folder,
         .format = FormatSynthTime},
        {.index = decay,
         .name = "Decay",
         .description = "Decay time",
         .resolution = 0.0005,
         .folder = folder,
         .format = FormatSynthTime},
        {.index = sustain,
         .name = "Sustain level",
         .description = "Sustain level",
         .resolution = 0.0005,
         .folder = folder,
         .format = FormatSustainLevel},
        {.index = release,
         .name = "Release",
         .description = "Release time",
         .defaultValue = 0.1,
         .resolution = 0.05,
         .folder = folder,
         .format = FormatSynthTime},
    }};
}
inline constexpr std::array<ParameterRow, 4> kSynthAmpEnvelopeRows = SynthEnvelopeRows(
    SubtractiveSynth::kAmpAttack, SubtractiveSynth::kAmpDecay, SubtractiveSynth::kAmpSustain,
    SubtractiveSynth::kAmpRelease, SubtractiveSynth::kAmpEnvFolder);
inline constexpr std::array<ParameterRow, 4> kSynthModEnvelopeRows = SynthEnvelopeRows(
    SubtractiveSynth::kModAttack, SubtractiveSynth::kModDecay, SubtractiveSynth::kModSustain,
    SubtractiveSynth::kModRelease, SubtractiveSynth::kModEnvFolder);

// Glide, the filter and its modulation.
inline constexpr std::array<ParameterRow, 11> kSynthFilterRows{{
    {.index = SubtractiveSynth::kGlideTime,
     .name = "Glide time",
     .description = "Glide time",
     .type = kTypeByte,
     .maximum = 255.0,
     .defaultValue = 10.0,
     .resolution = 1.0,
     .folder = -1,
     .format = FormatGlideMs},
    {.index = SubtractiveSynth::kGlide,
     .name = "Glide",
     .description = "Glide",
     .type = kTypeSwitch,
     .resolution = 1.0,
     .folder = -1},
    {.index = SubtractiveSynth::kCutoff,
     .name = "Cutoff",
     .description = "Filter cutoff",
     .defaultValue = 1.0,
     .resolution = 1.0,
     .folder = -1,
     .format = FormatPercent},
    {.index = SubtractiveSynth::kResonance,
     .name = "Resonance",
     .description = "Filter resonance",
     .resolution = 1.0,
     .folder = -1,
     .format = FormatPercent},
    {.index = SubtractiveSynth::kCutoffModEnv,
     .name = "Cutoff (ModEnv)",
     .description = "Cutoff (ModEnv)\nControls the amount of cutoff changed by the Modulation "
                    "envelope.",
     .resolution = 1.0,
     .folder = -1,
     .format = FormatPercent},
    {.index = SubtractiveSynth::kFilterType,
     .name = "Filter type",
     .description = "Filter type",
     .type = kTypeByte,
     .maximum = 3.0,
     .resolution = 1.0,
     .folder = -1,
     .names = kFilterTypeNames},
    {.index = SubtractiveSynth::kFilterSlope,
     .name = "Filter slope",
     .description = "Filter slope\nControls how sharp the filter will cut",
     .type = kTypeByte,
     .maximum = 2.0,
     .resolution = 1.0,
     .folder = -1,
     .names = kFilterSlopeNames},
    {.index = SubtractiveSynth::kCutoffLfo1,
     .name = "Cutoff (LFO1)",
     .description = "Cutoff (LFO1)",
     .resolution = 0.001,
     .folder = SubtractiveSynth::kFilterModFolder},
    {.index = SubtractiveSynth::kCutoffLfo2,
     .name = "Cutoff (LFO2)",
     .description = "Cutoff (LFO2)",
     .resolution = 0.001,
     .folder = SubtractiveSynth::kFilterModFolder},
    {.index = SubtractiveSynth::kResonanceLfo1,
     .name = "Res (LFO1)",
     .description = "Res (LFO1)",
     .resolution = 0.001,
     .folder = SubtractiveSynth::kFilterModFolder},
    {.index = SubtractiveSynth::kResonanceLfo2,
     .name = "Res (LFO2)",
     .description = "Res (LFO2)",
     .resolution = 0.001,
     .folder = SubtractiveSynth::kFilterModFolder},
}};

inline constexpr ParameterRow kSynthQualityRow{.index = SubtractiveSynth::kQuality,
                                               .name = "Quality",
                                               .description = "Quality",
                                               .type = kTypeByte,
                                               .maximum = 20.0,
                                               .defaultValue = 10.0,
                                               .resolution = 1.0,
                                               .folder = SubtractiveSynth::kGlobalFolder,
                                               .format = FormatQuality};

} // namespace tarn
