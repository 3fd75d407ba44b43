#pragma once

#include "engine/Node.h"
#include "engine/TestMachine.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/MachineFactory.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::test {

// A test machine that keeps opaque state: SaveState hands out its bytes,
// and Init (logged by the base) receives what a load gives back.
class StatefulMachine : public TestMachine {
public:
    using TestMachine::TestMachine;

    std::int32_t SaveState(ByteBuffer& state) override {
        return state.Append(kState.data(), static_cast<std::int32_t>(kState.size())) ? 1 : 0;
    }

    static inline const std::vector<std::uint8_t> kState = {'s', 't', 0, 'a', 't', 'e', 0xFF};
};

// The machines the project-file tests use: every built-in from the real
// factory, and "Test Stateful", a stereo effect of 1 to 4 tracks with
// saved state, whose machines share one log.
class ProjectMachines {
public:
    static constexpr const char* kStateful = "Test Stateful";

    MachineCreator Creator() {
        return [this](std::string_view name) -> std::optional<MachineHandle> {
            if (name == kStateful) {
                TestMachineSetup setup;
                setup.name = "Stateful";
                setup.maxTracks = 4;
                return MachineHandle(std::make_unique<StatefulMachine>(setup, log), kStateful);
            }
            return factory.CreateMachine(name);
        };
    }

    MachineFactory factory{BuiltinMachines()};
    std::shared_ptr<TestMachineLog> log = std::make_shared<TestMachineLog>();
};

} // namespace tarn::test
