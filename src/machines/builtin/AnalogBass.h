#pragma once

#include "dsp/BandLimitedOscillator.h"
#include "dsp/LadderFilter.h"
#include "dsp/SegmentEnvelope.h"
#include "dsp/SlewRamp.h"
#include "machines/builtin/synth/MonoVoiceControls.h"
#include "machines/framework/BuiltinMachineBase.h"
#include "machines/framework/ParameterDisplay.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Analog Bass": a one-voice bass synthesizer. One band-limited
// oscillator feeds a four-stage resonant low-pass filter run twice per
// sample with soft clipping; an amplitude envelope shapes the output and a
// modulation envelope opens the filter. Notes marked with Glide hold on and
// let the next note slide in from their pitch. The same mono signal goes to
// every output channel.
//
// Parameter values arrive as events inside Work; the machine holds none of
// them for the host. Work runs on the audio thread and allocates nothing.
class AnalogBass : public BuiltinMachineBase {
public:
    // Parameter indices, as events, saved values and FormatValue use them.
    // Envelopes and glide: kGlideTime, kGlide, kAttack, kDecay, kSustain,
    // kRelease, kModAttack, kModDecay.
    using enum MonoVoiceControls::Parameter;
    enum Parameter : std::int32_t {
        kNote = 0,
        kWaveform = 2,
        kCutoff = 20,
        kResonance = 21,
        kEnvMod = 22,
    };

    AnalogBass();
    ~AnalogBass() override = default;

    std::int32_t Stop(std::int32_t mode) override;

protected:
    AnalogBass(MachineInfo info, ParameterTable table);

    // Silences the voice and clears the filter for a sample rate (Hz); the
    // parameter settings stay.
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;

    // Layers under the oscillator: a second one of the same waveform,
    // `detune` notes away, and a square an octave below, at their levels
    // (0..1). The mix is divided by the sum of the levels, so the filter
    // is driven as hard as by the oscillator alone. Both follow the
    // oscillator's pitch and glide, held within notes 0..127.
    void SetLayers(double secondLevel, double detune, double subLevel) noexcept;

private:
    void PlayNote(const EventRecord& note) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;
    // One frame through the segment's working copy of the filter; inline in
    // the segment loop.
    inline double RenderFrame(LadderFilter& filter) noexcept;
    double Layer(double first) noexcept;

    BandLimitedOscillator oscillator_;
    MonoVoiceControls controls_;
    bool glidePending_ = false;
    std::int32_t noteRemaining_ = 0; // samples

    SlewRamp cutoff_;    // Hz
    SlewRamp resonance_; // 0..1
    double envMod_ = 0.0;
    LadderFilter filter_;
    double filterRate_ = 0.0;    // Hz
    int coefficientCounter_ = 0; // 0..4; coefficients are recomputed at 0

    BandLimitedOscillator second_;
    BandLimitedOscillator sub_;
    double secondLevel_ = 0.0;
    double detune_ = 0.0; // notes
    double subLevel_ = 0.0;
    double layerScale_ = 1.0;
    bool layered_ = false;

    std::array<double, kMaxChunkFrames> mono_{}; // one chunk, copied to every output
};

// The Analog Bass parameters, in the order they are described; the
// machines built on it add their own after them.
namespace analog_bass {

inline int FormatSustain(char* text, double v) noexcept {
    return FormatDecibels(text, v);
}

inline int FormatPercent(char* text, double v) noexcept {
    return FormatProportion(text, v);
}

inline constexpr std::int32_t kAdsrFolder = 0;
inline constexpr FolderRow kFolders[] = {{.index = kAdsrFolder, .name = "ADSR"}};

inline constexpr std::array<ParameterRow, 13> kRows{{
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
}};

} // namespace analog_bass

} // namespace tarn
