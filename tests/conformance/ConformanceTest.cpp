// Runs every check of the conformance suite over each built-in machine that
// exists, so a new machine is checked as soon as it is in the table; and
// proves the checks catch what they are for on a machine broken on purpose.
#include "conformance/MachineConformance.h"

#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/BuiltinMachineBase.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <limits>
#include <memory>

namespace tarn {
namespace {

using ::testing::HasSubstr;

std::string Joined(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& problem : problems) {
        text += problem + "\n";
    }
    return text;
}

std::vector<BuiltinMachine> WrittenBuiltins() {
    std::vector<BuiltinMachine> written;
    for (const BuiltinMachine& machine : BuiltinMachines()) {
        if (machine.construct != nullptr) {
            written.push_back(machine);
        }
    }
    return written;
}

class BuiltinConformance : public ::testing::TestWithParam<BuiltinMachine> {};

TEST_P(BuiltinConformance, MeetsEveryCheck) {
    const std::vector<std::string> problems = test::CheckMachine(GetParam());
    EXPECT_TRUE(problems.empty()) << Joined(problems);
}

INSTANTIATE_TEST_SUITE_P(Builtins, BuiltinConformance, ::testing::ValuesIn(WrittenBuiltins()),
                         [](const ::testing::TestParamInfo<BuiltinMachine>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c != '\0'; ++c) {
                                 if (std::isalnum(static_cast<unsigned char>(*c)) != 0) {
                                     name += *c;
                                 }
                             }
                             return name;
                         });

// A generator with three faults: a default outside its range, output that
// is not a number, and an allocation in every segment it renders.
class BrokenMachine : public BuiltinMachineBase {
public:
    BrokenMachine()
        : BuiltinMachineBase(MachineInfo::Builtin(kKindGenerator, "Broken", "Broken"),
                             ParameterTable{kRows}) {}

private:
    static constexpr std::array<ParameterRow, 2> kRows{{
        NoteRow(0),
        {.index = 1, .name = "Level", .description = "Output level", .defaultValue = 2.0},
    }};

    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override {
        held_ = std::make_unique<double>(0.0);
        mono_.fill(std::numeric_limits<double>::quiet_NaN());
        FanOut(record, mono_.data(), from, to);
    }

    std::unique_ptr<double> held_;
    std::array<double, kMaxChunkFrames> mono_{};
};

TEST(ConformanceSuite, NamesEachFaultOfABrokenMachine) {
    const BuiltinMachine broken{"Tarn Broken", true, []() -> std::unique_ptr<Machine> {
                                    return std::make_unique<BrokenMachine>();
                                }};
    const std::vector<std::string> problems = test::CheckMachine(broken);
    ASSERT_EQ(problems.size(), 3u) << Joined(problems);
    EXPECT_EQ(problems[0], "Tarn Broken: parameter 'Level' (1): default 2 outside its range 0..1");
    EXPECT_EQ(problems[1], "Tarn Broken: output is not finite (nan at sample 0) with every "
                           "parameter at its minimum");
    EXPECT_THAT(problems[2], HasSubstr("Tarn Broken: Work allocated "));
    EXPECT_THAT(problems[2], HasSubstr("times; it must allocate nothing"));
}

} // namespace
} // namespace tarn
