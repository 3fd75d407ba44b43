#include "document/PresetStore.h"
#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "base/UserInteraction.h"
#include "engine/Project.h"
#include "machines/builtin/AnalogBass.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/MachineFactory.h"
#include "support/CapturedLines.h"
#include "support/ScratchDirectory.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace tarn {
namespace {

using test::CapturedLines;
using test::ReadFile;
using test::ScratchDirectory;

struct PresetStoreTest : ::testing::Test {
    PresetStoreTest() {
        SetCurrentInteraction(&interaction);
        SetAppDirectory(dir.Path());
        EXPECT_EQ(project.CreateNode("Tarn Analog Bass"), 0);
        EXPECT_EQ(fresh.CreateNode("Tarn Analog Bass"), 0);
    }
    ~PresetStoreTest() override { SetCurrentInteraction(nullptr); }

    Node& Bass() { return *project.GetNode(0); }

    std::map<int, double> Values(Node& node) {
        std::map<int, double> values;
        for (const auto& [index, descriptor] : node.Parameters(kGroupMachine)) {
            values[index] = node.ReadParameter(kGroupMachine, 0, index);
        }
        return values;
    }

    ScratchDirectory dir;
    ScriptedInteraction interaction;
    MachineFactory factory{BuiltinMachines()};
    Project project{factory};
    Project fresh{factory};
    PresetStore store{dir / "Presets/Bass/Tarn Analog Bass.preset.xml"};
};

TEST_F(PresetStoreTest, StoredPresetsReloadExactlyAndDefaultIsProtected) {
    CapturedLines lines;
    Bass().WriteParameter(kGroupMachine, 0, AnalogBass::kCutoff, 1.0);
    Bass().WriteParameter(kGroupMachine, 0, AnalogBass::kSustain, -60.0);
    Bass().WriteParameter(kGroupMachine, 0, AnalogBass::kResonance, 0.5);
    Bass().WriteParameter(kGroupMachine, 0, AnalogBass::kAttack, 1.0 / 3.0);
    Bass().WriteParameter(kGroupMachine, 0, AnalogBass::kWaveform, 3.0);
    ASSERT_EQ(store.Save(Bass(), "Acid <&> bass"), 1); // the folder is made as well
    EXPECT_NE(ReadFile(store.File()).find("<value>0.500000</value>"), std::string::npos);
    EXPECT_NE(ReadFile(store.File()).find("<name>Acid &lt;&amp;&gt; bass</name>"),
              std::string::npos);

    Node& other = *fresh.GetNode(0);
    ASSERT_EQ(store.Apply(other, "Acid <&> bass"), 1);
    const std::map<int, double> expected = Values(Bass());
    const std::map<int, double> applied = Values(other);
    ASSERT_EQ(applied.size(), expected.size());
    for (const auto& [index, value] : expected) {
        EXPECT_NEAR(applied.at(index), value, 1e-6) << index;
    }
    EXPECT_EQ(applied.at(AnalogBass::kCutoff), 1.0);
    ASSERT_EQ(store.Apply(other, "Default"), 1);
    EXPECT_EQ(other.ReadParameter(kGroupMachine, 0, AnalogBass::kCutoff), 0.6);
    // What was read is applied without the file, as the editors read it
    // before taking the project lock.
    const PresetStore::Contents read = store.Read();
    std::filesystem::rename(store.File(), dir / "moved");
    ASSERT_EQ(PresetStore::Apply(other, "Acid <&> bass", read), 1);
    EXPECT_EQ(other.ReadParameter(kGroupMachine, 0, AnalogBass::kCutoff), 1.0);
    std::filesystem::rename(dir / "moved", store.File());

    // Overwriting asks first; "no" keeps the file as it is.
    const std::string saved = ReadFile(store.File());
    interaction.QueueAnswer(MessageBoxAnswer::kNo);
    EXPECT_EQ(store.Save(other, "Acid <&> bass"), 0);
    EXPECT_EQ(ReadFile(store.File()), saved);
    ASSERT_EQ(store.Save(other, "Acid <&> bass"), 1);
    ASSERT_EQ(store.Save(other, "Second"), 1);
    EXPECT_EQ(store.List(other), (std::vector<std::string>{"Default", "Acid <&> bass", "Second"}));
    EXPECT_EQ(interaction.Texts().back(),
              "A preset with name 'Acid <&> bass' already exists. Overwrite?");

    const std::string before = ReadFile(store.File());
    EXPECT_EQ(store.Save(other, "Default"), 0);
    EXPECT_EQ(store.Delete("Default"), 0);
    for (const char* bad : {"", " leading", "two\nlines"}) {
        EXPECT_EQ(store.Save(other, bad), 0);
    }
    EXPECT_EQ(ReadFile(store.File()), before);
    ASSERT_EQ(store.Delete("Acid <&> bass"), 1);
    ASSERT_EQ(store.Delete("Second"), 1);
    EXPECT_EQ(interaction.Texts().back(), "Delete preset 'Second'?");
    EXPECT_EQ(ReadFile(store.File()), "<root>\r\n</root>\r\n");
    EXPECT_EQ(store.List(other), std::vector<std::string>{"Default"});
    EXPECT_EQ(lines.Of(kErrorLine),
              (std::vector<std::string>{
                  "Default preset can't be changed!", "Default preset can't be deleted!",
                  "error: '' cannot be a preset name", "error: ' leading' cannot be a preset name",
                  "error: 'two\nlines' cannot be a preset name"}));
}

TEST_F(PresetStoreTest, DamagedOrForeignFilesChangeNothing) {
    std::filesystem::create_directories(store.File().parent_path());
    const std::string damaged = "<root><preset><name>P</name><parameter><id>20</id>"
                                "<value>0.9</value></parameter></preset><preset><name>Q";
    std::ofstream(store.File()) << damaged;
    const std::map<int, double> before = Values(Bass());
    CapturedLines lines;
    EXPECT_EQ(store.Apply(Bass(), "P"), 0);
    EXPECT_EQ(Values(Bass()), before);
    EXPECT_EQ(store.Save(Bass(), "New"), 0);
    EXPECT_EQ(store.Delete("P"), 0);
    EXPECT_EQ(ReadFile(store.File()), damaged);
    EXPECT_EQ(store.List(Bass()), std::vector<std::string>{"Default"});
    EXPECT_EQ(lines.Of(kErrorLine).size(), 4u);

    // Another version's file: an unknown id, a value out of range and one
    // that "%.6f" rounded just past the maximum.
    std::ofstream(store.File(), std::ios::trunc)
        << "<anything><preset><name>Old</name>"
           "<parameter><id>999</id><value>1</value></parameter>"
           "<parameter><id>21</id><value>5</value></parameter>"
           "<parameter><id>20</id><value>1.0000004</value></parameter>"
           "<parameter><id>13</id><value>-12.5</value></parameter>"
           "</preset></anything>";
    ASSERT_EQ(store.Apply(Bass(), "Old"), 1);
    EXPECT_EQ(Bass().ReadParameter(kGroupMachine, 0, AnalogBass::kResonance), 0.0);
    EXPECT_EQ(Bass().ReadParameter(kGroupMachine, 0, AnalogBass::kCutoff), 1.0);
    EXPECT_EQ(Bass().ReadParameter(kGroupMachine, 0, AnalogBass::kSustain), -12.5);
    EXPECT_EQ(lines.Of(kWarningLine),
              (std::vector<std::string>{
                  "Paremeter '999' does not exist. Information lost.",
                  "Paremeter 'Resonance' is out of range. Default value was assigned."}));
}

TEST_F(PresetStoreTest, AMachinesOwnProgramsFollowTheStoredPresetsAndAreChosenByName) {
    test::TestFactory machines;
    auto log = std::make_shared<test::TestMachineLog>();
    machines.Define("Tarn Test", {}, log);
    Project programs(machines.Creator());
    ASSERT_EQ(programs.CreateNode("Tarn Test"), 0);
    Node& node = *programs.GetNode(0);
    const PresetStore own(dir / "Presets/Test/Tarn Test.preset.xml");
    EXPECT_EQ(own.List(node), (std::vector<std::string>{"Default", "Init", "Lead"}));

    // Without a preset file, the program is chosen in the machine.
    log->messages.clear();
    ASSERT_EQ(own.Apply(node, "Lead"), 1);
    using Messages = std::vector<std::pair<std::int32_t, std::int32_t>>;
    EXPECT_EQ(log->messages, (Messages{{kMsgSetProgram, 2}}));

    // A stored preset of a program's name comes first and wins.
    node.WriteParameter(kGroupMachine, 0, 2, 0.25);
    ASSERT_EQ(own.Save(node, "Lead"), 1);
    EXPECT_EQ(own.List(node), (std::vector<std::string>{"Default", "Lead", "Init", "Lead"}));
    node.WriteParameter(kGroupMachine, 0, 2, 0.75);
    log->messages.clear();
    ASSERT_EQ(own.Apply(node, "Lead"), 1);
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 0, 2), 0.25);
    EXPECT_TRUE(std::none_of(log->messages.begin(), log->messages.end(),
                             [](const auto& message) { return message.first == kMsgSetProgram; }));
    log->messages.clear();
    ASSERT_EQ(own.Apply(node, "Init"), 1);
    EXPECT_EQ(log->messages, (Messages{{kMsgSetProgram, 0}}));
}

} // namespace
} // namespace tarn
