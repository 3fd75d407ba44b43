#include "machines/builtin/CorvaSynth.h"

#include "machines/framework/SubtractiveSynthRows.h"

namespace tarn {
namespace {

constexpr auto kRows =
    JoinRows(std::array{NoteRow(SubtractiveSynth::kNote)}, kSynthAmpEnvelopeRows,
             kSynthModEnvelopeRows, RepeatRows(kSynthOscillatorRows, kOscillatorBases),
             RepeatRows(kSynthLfoRows, kLfoBases), kSynthFilterRows, std::array{kSynthQualityRow});

MachineInfo CorvaInfo() {
    MachineInfo info = MachineInfo::Builtin(kKindGenerator, "Corva Synth", "CSynth");
    info.inputChannels = 0;
    info.outputChannels = 2;
    return info;
}

} // namespace

CorvaSynth::CorvaSynth()
    : SubtractiveSynth(CorvaInfo(), ParameterTable{kRows, kSynthFolders}, Channels::kMono) {}

} // namespace tarn
