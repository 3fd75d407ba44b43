#include "machines/builtin/CorvaSynth.h"

#include "machines/builtin/synth/SubtractiveSynthRows.h"

namespace tarn {
namespace {

constexpr auto kRows =
    JoinRows(std::array{NoteRow(SubtractiveSynth::kNote)}, kSynthAmpEnvelopeRows,
             kSynthModEnvelopeRows, OscillatorBankRows(kSynthOscillatorRows),
             RepeatRows(kSynthLfoRows, kLfoBases), kSynthFilterRows, std::array{kSynthQualityRow});

} // namespace

CorvaSynth::CorvaSynth()
    : SubtractiveSynth(SynthInfo("Corva Synth", "CSynth"), ParameterTable{kRows, kSynthFolders},
                       Channels::kMono) {}

} // namespace tarn
