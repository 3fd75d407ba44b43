#include "engine/Project.h"
#include "machines/builtin/BuiltinMachines.h"
#include "studio/Studio.h"

#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarn {
namespace {

// The window's timer gives every machine of the current project its idle
// call on each tick; machines of a project that was replaced get none.
TEST(StudioIdle, EveryMachineOfTheCurrentProjectIsIdledOnEachCall) {
    const MachineFactory builtins(BuiltinMachines());
    auto log = std::make_shared<test::TestMachineLog>();
    Studio studio([&](std::string_view name) -> std::optional<MachineHandle> {
        if (name == "Idler") {
            return MachineHandle(test::MakeMachine({}, log), std::string(name));
        }
        return builtins.CreateMachine(name);
    });
    const auto idles = [&log] {
        return std::count_if(log->messages.begin(), log->messages.end(),
                             [](const auto& message) { return message.first == kMsgIdle; });
    };
    studio.IdleMachines(); // no project yet: nothing to call
    std::unique_ptr<Project> project = studio.NewProject();
    ASSERT_NE(project, nullptr);
    ASSERT_GE(project->CreateNode("Idler"), 0);
    ASSERT_GE(project->CreateNode("Idler"), 0);
    studio.SetProject(std::move(project));
    studio.IdleMachines();
    EXPECT_EQ(idles(), 2);
    studio.IdleMachines();
    EXPECT_EQ(idles(), 4);
    studio.SetProject(studio.NewProject());
    studio.IdleMachines();
    EXPECT_EQ(idles(), 4);
}

} // namespace
} // namespace tarn
