#include "machines/builtin/RavelSynth.h"

#include "base/ClassicRandom.h"
#include "machines/builtin/synth/SubtractiveSynthRows.h"

namespace tarn {
namespace {

// The LFO rows without the tempo sync and without tooltips.
constexpr std::array<ParameterRow, 6> LfoRows() {
    std::array<ParameterRow, 6> rows{};
    std::copy_n(kSynthLfoRows.begin(), rows.size(), rows.begin());
    for (ParameterRow& row : rows) {
        row.description = row.name;
    }
    rows[SubtractiveSynth::kSpeed].resolution = 0.005;
    return rows;
}

// The oscillator rows without tooltips, with a balance control.
constexpr std::array<ParameterRow, 10> OscillatorRows() {
    constexpr ParameterRow kPan{
        .index = SubtractiveSynth::kPan, .name = "Pan", .description = "Pan", .minimum = -1.0};
    constexpr std::size_t kBeforePan = SubtractiveSynth::kPan;
    std::array<ParameterRow, 10> rows{};
    std::copy_n(kSynthOscillatorRows.begin(), kBeforePan, rows.begin());
    rows[kBeforePan] = kPan;
    std::copy(kSynthOscillatorRows.begin() + kBeforePan, kSynthOscillatorRows.end(),
              rows.begin() + kBeforePan + 1);
    for (ParameterRow& row : rows) {
        row.description = row.name;
    }
    return rows;
}

constexpr std::array<ParameterRow, 4> EnvelopeRows(std::array<ParameterRow, 4> rows) {
    constexpr std::array kDescriptions{"Attack Length", "Decay Length", "Sustain level",
                                       "Release length"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].description = kDescriptions[i];
        rows[i].resolution = 0.05;
    }
    return rows;
}

constexpr std::array<ParameterRow, 11> FilterRows() {
    std::array<ParameterRow, 11> rows = kSynthFilterRows;
    for (ParameterRow& row : rows) {
        if (row.index == SubtractiveSynth::kCutoffModEnv) {
            row.description = "Cutoff Envelope modulation";
        } else if (row.index == SubtractiveSynth::kFilterSlope) {
            row.description = "Filter slope";
        }
    }
    return rows;
}

constexpr auto kRows =
    JoinRows(std::array{NoteRow(SubtractiveSynth::kNote)}, EnvelopeRows(kSynthAmpEnvelopeRows),
             EnvelopeRows(kSynthModEnvelopeRows), OscillatorBankRows(OscillatorRows()),
             RepeatRows(LfoRows(), kLfoBases), FilterRows(), std::array{kSynthQualityRow});

// The voices' LFO phases always come from this seed.
constexpr std::uint32_t kLfoSpreadSeed = 4;

} // namespace

RavelSynth::RavelSynth()
    : SubtractiveSynth(SynthInfo("Ravel Synth", "RSynth"), ParameterTable{kRows, kSynthFolders},
                       Channels::kStereo) {}

void RavelSynth::LfoModeChanged() noexcept {
    ClassicRandom random(kLfoSpreadSeed);
    for (Voice& voice : Voices()) {
        voice.lfos[0].phase = PhaseOf(static_cast<double>(random.Next()) / ClassicRandom::kRange);
    }
}

} // namespace tarn
