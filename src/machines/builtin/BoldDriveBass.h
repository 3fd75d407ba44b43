#pragma once

#include "dsp/BandLimitedOscillator.h"
#include "dsp/SaturatingLadder.h"
#include "dsp/SegmentEnvelope.h"
#include "dsp/SlewRamp.h"
#include "machines/builtin/synth/MonoVoiceControls.h"
#include "machines/framework/BuiltinMachineBase.h"
#include "machines/framework/ParameterDisplay.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Bold Drive Bass": a one-voice bass synthesizer. A band-limited
// oscillator runs into a four-pole ladder low-pass (twice per sample) whose
// resonance feeds back through a saturator, then through an output drive
// into the same saturator; an amplitude envelope and a filter envelope shape
// the note. A note row with Glide on holds its note until the next one
// slides in from its pitch. The same mono signal goes to every output.
class BoldDriveBass : public BuiltinMachineBase {
public:
    // Envelopes and glide: kGlideTime, kGlide, kAttack, kDecay, kSustain,
    // kRelease, kModAttack, kModDecay.
    using enum MonoVoiceControls::Parameter;
    enum Parameter : std::int32_t {
        kNote = 0,
        kWaveform = 2,
        kCutoff = 20,
        kResonance = 21,
        kEnvMod = 22,
        kFilterAttack = MonoVoiceControls::kModAttack,
        kFilterDecay = MonoVoiceControls::kModDecay,
        kDist = 30,
    };

    // The longest note: a note without a length of its own, or one that
    // waits for a glide, ends only by a key release or the next note.
    static constexpr std::int32_t kHeldNoteSamples = MonoVoiceControls::kHeldNoteSamples;

    BoldDriveBass();
    ~BoldDriveBass() override = default;

    // Mode 1 releases the note and forgets a pending glide.
    std::int32_t Stop(std::int32_t mode) override;

protected:
    BoldDriveBass(MachineInfo info, ParameterTable table);

    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void PlayNote(const EventRecord& note) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

    // A pulse high for this share (0..1) of the period instead of the
    // oscillator's own wave, made from two readings of its (sawtooth) wave
    // set; 0 plays the wave as it is.
    void SetPulseWidth(double width) noexcept;
    // Every note slides from the pitch before it, not only after a Glide
    // row; the envelopes still restart unless a glide is pending.
    bool glideAlways_ = false;

    BandLimitedOscillator oscillator_;

private:
    double RenderFrame() noexcept;
    void Retune() noexcept;
    void MoveRamp(SlewRamp& ramp, double value) noexcept;
    void GlidePitch(double note, double samples) noexcept;

    double rate_ = 0.0;
    BandLimitedOscillator shifted_; // the second sawtooth of a pulse
    double pulseWidth_ = 0.0;

    MonoVoiceControls controls_; // the filter envelope is its modulation envelope

    SlewRamp cutoff_;    // 0..1, an exponent of the cutoff frequency
    SlewRamp resonance_; // 0..1
    double envMod_ = 0.0;
    double dist_ = 0.0;
    double drive_ = 1.0;
    SaturatingLadder filter_;
    int retuneCountdown_ = 0;
    bool rendered_ = false; // since Prepare: until then settings land at once

    std::array<double, kMaxChunkFrames> mono_{};
};

// The parameters the Bold Drive Basses share, in the order they are
// described; the Waveform row is kWaveformRow.
namespace bold_drive {

inline constexpr std::int32_t kAdsrFolder = 0;
inline constexpr FolderRow kFolders[] = {{.index = kAdsrFolder, .name = "ADSR"}};

inline int FormatPercent(char* text, double v) noexcept {
    return FormatProportion(text, v, " %");
}

inline constexpr std::size_t kWaveformRow = 12;
inline constexpr std::array<ParameterRow, 14> kRows{{
    NoteRow(BoldDriveBass::kNote),
    {.index = BoldDriveBass::kAttack,
     .name = "Attack",
     .description = "Attack Length",
     .defaultValue = 0.1,
     .resolution = 0.001,
     .folder = kAdsrFolder,
     .format = FormatCubicTime},
    {.index = BoldDriveBass::kFilterAttack,
     .name = "Filter Attack",
     .description = "Filter Attack Length",
     .defaultValue = 0.1,
     .resolution = 0.001,
     .folder = -1,
     .format = FormatCubicTime},
    {.index = BoldDriveBass::kDecay,
     .name = "Decay",
     .description = "Decay Length",
     .defaultValue = 0.1,
     .resolution = 0.001,
     .folder = kAdsrFolder,
     .format = FormatCubicTime},
    {.index = BoldDriveBass::kFilterDecay,
     .name = "Filter Decay",
     .description = "Filter Decay Length",
     .defaultValue = 0.1,
     .resolution = 0.001,
     .folder = -1,
     .format = FormatCubicTime},
    {.index = BoldDriveBass::kSustain,
     .name = "Sustain level",
     .description = "Sustain level",
     .minimum = -60.0,
     .maximum = 0.0,
     .defaultValue = -60.0,
     .resolution = 0.05,
     .folder = kAdsrFolder,
     .format = [](char* text, double v) noexcept { return FormatDecibels(text, v); }},
    {.index = BoldDriveBass::kRelease,
     .name = "Release",
     .description = "Release time",
     .defaultValue = 0.1,
     .resolution = 0.001,
     .folder = kAdsrFolder},
    {.index = BoldDriveBass::kGlideTime,
     .name = "Glide time",
     .description = "Glide time",
     .defaultValue = 0.1,
     .resolution = 0.001,
     .folder = -1,
     .format = FormatCubicTime},
    {.index = BoldDriveBass::kGlide,
     .name = "Glide",
     .description = "Glide",
     .type = kTypeSwitch,
     .resolution = 1.0,
     .folder = -1},
    {.index = BoldDriveBass::kCutoff,
     .name = "Cutoff",
     .description = "Filter cutoff",
     .defaultValue = 1.0,
     .resolution = 1.0,
     .folder = -1,
     .format = FormatPercent},
    {.index = BoldDriveBass::kResonance,
     .name = "Resonance",
     .description = "Filter resonance",
     .resolution = 1.0,
     .folder = -1,
     .format = FormatPercent},
    {.index = BoldDriveBass::kEnvMod,
     .name = "Env Mod",
     .description = "Envelope modulation",
     .resolution = 1.0,
     .folder = -1,
     .format = FormatPercent},
    {.index = BoldDriveBass::kWaveform,
     .name = "Waveform",
     .description = "Oscillator waveform",
     .type = kTypeByte,
     .maximum = 4.0,
     .resolution = 1.0,
     .folder = -1,
     .names = kWaveFormNames},
    {.index = BoldDriveBass::kDist, .name = "Dist", .description = "Distortion", .folder = -1},
}};

} // namespace bold_drive

} // namespace tarn
