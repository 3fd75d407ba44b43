#include "document/ProjectBuilder.h"
#include "document/ProjectFile.h"
#include "engine/ScopedGlobalTempo.h"
#include "machines/builtin/BrickwallFilter.h"
#include "machines/builtin/Compressor.h"
#include "machines/builtin/CorvaDist.h"
#include "machines/builtin/CorvaReverb.h"
#include "machines/builtin/CorvaReverbLe.h"
#include "machines/builtin/Delay.h"
#include "machines/builtin/Distortion.h"
#include "machines/builtin/Eq10.h"
#include "machines/builtin/Flanger.h"
#include "machines/builtin/Limiter.h"
#include "machines/builtin/MultimodeFilterMachine.h"
#include "machines/builtin/ParametricEq.h"
#include "machines/builtin/Reverb.h"
#include "machines/builtin/TapeDelay.h"
#include "support/ScratchDirectory.h"

#include "document/ProjectMachines.h"

#include <gtest/gtest.h>

#include <functional>

namespace tarn {
namespace {

struct Effect {
    const char* name;
    std::function<ParameterTable()> table;
};

template <typename T> ParameterTable TableOf() {
    return T().Parameters();
}

// A project holding every built-in effect, each parameter set
// to a value that is neither its default nor a round number, saves and
// loads back with every value exactly.
TEST(EffectProject, EveryEffectParameterSurvivesSaveAndLoad) {
    test::ScopedGlobalTempo globalTempo;
    test::ProjectMachines machines;
    TempoRecord engineTempo;
    test::ScratchDirectory scratch;
    const std::vector<Effect> effects{
        {"Tarn Brickwall LP Filter", TableOf<BrickwallLowpass>},
        {"Tarn Brickwall HP Filter", TableOf<BrickwallHighpass>},
        {"Tarn 3 Band Parametric EQ", TableOf<ParametricEq>},
        {"Tarn EQ10", TableOf<Eq10>},
        {"Tarn Multimode Filter", TableOf<MultimodeFilterMachine>},
        {"Tarn Delay", TableOf<Delay>},
        {"Tarn Tape Delay", TableOf<TapeDelay>},
        {"Tarn Flanger", TableOf<Flanger>},
        {"Tarn Distortion", TableOf<Distortion>},
        {"Tarn Compressor", TableOf<Compressor>},
        {"Tarn Limiter", TableOf<Limiter>},
        {"Tarn Corva Dist", TableOf<CorvaDist>},
        {"Tarn Reverb", TableOf<Reverb>},
        {"Tarn Corva Reverb", TableOf<CorvaReverb>},
        {"Tarn Corva Reverb LE", TableOf<CorvaReverbLe>},
    };
    // Whole-number parameters take their maximum, real ones an odd point
    // inside the range.
    const auto valueFor = [](const ParameterRow& row) {
        return row.type == kTypeDouble ? row.minimum + 0.3719 * (row.maximum - row.minimum)
                                       : row.maximum;
    };
    auto project = MakeNewProject(machines.Creator(), engineTempo);
    ASSERT_NE(project, nullptr);
    int id = 1;
    for (const Effect& effect : effects) {
        ASSERT_EQ(project->CreateNode(effect.name, {}, id), id) << effect.name;
        ASSERT_EQ(project->ConnectMachines(id, Project::kMasterId), 1) << effect.name;
        for (const ParameterRow& row : effect.table().Rows()) {
            ASSERT_EQ(
                project->GetNode(id)->WriteParameter(kGroupMachine, 0, row.index, valueFor(row)), 1)
                << effect.name << " " << row.name;
        }
        ++id;
    }

    const auto path = scratch / "effects.tarn";
    ASSERT_EQ(SaveProject(*project, path), 1);
    auto loaded = LoadProject(path, machines.Creator(), engineTempo);
    ASSERT_NE(loaded, nullptr);
    id = 1;
    for (const Effect& effect : effects) {
        Node* node = loaded->GetNode(id);
        ASSERT_NE(node, nullptr) << effect.name;
        for (const ParameterRow& row : effect.table().Rows()) {
            EXPECT_EQ(node->ReadParameter(kGroupMachine, 0, row.index), valueFor(row))
                << effect.name << " " << row.name;
        }
        ++id;
    }
}

} // namespace
} // namespace tarn
