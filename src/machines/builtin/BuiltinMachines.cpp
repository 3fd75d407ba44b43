#include "machines/builtin/BuiltinMachines.h"

#include "machines/builtin/AnalogBass.h"
#include "machines/builtin/AnalogBass2.h"
#include "machines/builtin/BoldDriveBass.h"
#include "machines/builtin/BoldDriveBass2.h"
#include "machines/builtin/BrickwallFilter.h"
#include "machines/builtin/ChipChords.h"
#include "machines/builtin/Compressor.h"
#include "machines/builtin/CorvaDist.h"
#include "machines/builtin/CorvaReverb.h"
#include "machines/builtin/CorvaReverbLe.h"
#include "machines/builtin/CorvaSynth.h"
#include "machines/builtin/CorvaSynth2.h"
#include "machines/builtin/Delay.h"
#include "machines/builtin/Distortion.h"
#include "machines/builtin/Duosync.h"
#include "machines/builtin/Eq10.h"
#include "machines/builtin/Flanger.h"
#include "machines/builtin/Limiter.h"
#include "machines/builtin/Master.h"
#include "machines/builtin/MultimodeFilterMachine.h"
#include "machines/builtin/NesApu.h"
#include "machines/builtin/ParametricEq.h"
#include "machines/builtin/RavelSynth.h"
#include "machines/builtin/Reverb.h"
#include "machines/builtin/Sampler.h"
#include "machines/builtin/Synth.h"
#include "machines/builtin/TapeDelay.h"
#include "machines/builtin/TrackSampler.h"
#include "machines/builtin/Tracker.h"
#include "machines/builtin/Widestrings.h"

#include <array>

namespace tarn {
namespace {

template <typename T> std::unique_ptr<Machine> Construct() {
    return std::make_unique<T>();
}

// A null constructor marks a machine that is not written yet; the factory
// names it in its error line.
constexpr std::array kBuiltinMachines{
    BuiltinMachine{"Tarn Master", true, &Construct<Master>},
    BuiltinMachine{"Tarn Brickwall LP Filter", true, &Construct<BrickwallLowpass>},
    BuiltinMachine{"Tarn Brickwall HP Filter", true, &Construct<BrickwallHighpass>},
    BuiltinMachine{"Tarn 3 Band Parametric EQ", true, &Construct<ParametricEq>},
    BuiltinMachine{"Tarn EQ10", true, &Construct<Eq10>},
    BuiltinMachine{"Tarn Bold Drive Bass", true, &Construct<BoldDriveBass>},
    BuiltinMachine{"Tarn Bold Drive Bass 2", true, &Construct<BoldDriveBass2>},
    BuiltinMachine{"Tarn Corva Synth", true, &Construct<CorvaSynth>},
    BuiltinMachine{"Tarn Corva Synth 2", true, &Construct<CorvaSynth2>},
    BuiltinMachine{"Tarn Ravel Synth", true, &Construct<RavelSynth>},
    BuiltinMachine{"Tarn Delay", true, &Construct<Delay>},
    BuiltinMachine{"Tarn Tape Delay", true, &Construct<TapeDelay>},
    BuiltinMachine{"Tarn Corva Reverb", true, &Construct<CorvaReverb>},
    BuiltinMachine{"Tarn Corva Reverb LE", true, &Construct<CorvaReverbLe>},
    BuiltinMachine{"Tarn Analog Bass", true, &Construct<AnalogBass>},
    BuiltinMachine{"Tarn Analog Bass 2", true, &Construct<AnalogBass2>},
    BuiltinMachine{"Tarn NES", true, &Construct<NesApu>},
    BuiltinMachine{"Tarn Distortion", true, &Construct<Distortion>},
    BuiltinMachine{"Tarn Limiter", true, &Construct<Limiter>},
    BuiltinMachine{"Tarn Tracker", true, &Construct<Tracker>},
    BuiltinMachine{"Tarn Duosync", true, &Construct<Duosync>},
    BuiltinMachine{"Tarn Flanger", true, &Construct<Flanger>},
    BuiltinMachine{"Tarn Compressor", true, &Construct<Compressor>},
    BuiltinMachine{"Tarn Sampler", true, &Construct<Sampler>},
    BuiltinMachine{"Tarn Multimode Filter", true, &Construct<MultimodeFilterMachine>},
    BuiltinMachine{"Tarn Track Sampler", false, &Construct<TrackSampler>},
    BuiltinMachine{"Tarn Widestrings", false, &Construct<Widestrings>},
    BuiltinMachine{"Tarn Corva Dist", false, &Construct<CorvaDist>},
    BuiltinMachine{"Tarn Reverb", false, &Construct<Reverb>},
    BuiltinMachine{"Tarn Chip Chords", false, &Construct<ChipChords>},
    BuiltinMachine{"Tarn Synth", false, &Construct<Synth>},
};

} // namespace

std::span<const BuiltinMachine> BuiltinMachines() {
    return kBuiltinMachines;
}

} // namespace tarn
