#include "machines/builtin/BuiltinMachines.h"

#include "engine/Project.h"
#include "machines/builtin/Master.h"
#include "machines/framework/GearFixture.h"
#include "machines/framework/MachineFactory.h"
#include "support/SignalMeasures.h"

#include "EffectHarness.h"
#include "WaveProject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

namespace tarn {
namespace {

using BuiltinMachinesTest = test::GearFixture;

TEST(BuiltinMachineTable, ListsTheRegistryFirstThenTheUnlistedNames) {
    const std::span<const BuiltinMachine> table = BuiltinMachines();
    ASSERT_EQ(table.size(), 31u);
    std::set<std::string> names;
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].registered, i < 25) << table[i].name;
        names.insert(table[i].name);
    }
    EXPECT_EQ(names.size(), table.size());
    EXPECT_EQ(std::string(table.front().name), "Tarn Master");
}

// Every name of the table makes a machine that sounds, hosted by its Node:
// a generator plays a note (the sample players their default slot, 0; the
// synthesizers whose oscillators all start switched off with them on), an
// effect or the Master passes a burst of noise.
TEST(BuiltinMachineTable, EveryMachineRendersFiniteSound) {
    for (const BuiltinMachine& builtin : BuiltinMachines()) {
        SCOPED_TRACE(builtin.name);
        ASSERT_NE(builtin.construct, nullptr);
        test::WaveProject project(builtin.name);
        project.PutWave(0, {test::SineWave(440.0, test::WaveProject::kRate, 44100)});
        test::WaveProject::Stereo out;
        if (project.node().Info().kind == kKindGenerator) {
            for (const auto& [index, descriptor] : project.node().Parameters(kGroupMachine)) {
                if (descriptor.name == "Enabled") {
                    project.Set(index, 1.0);
                }
            }
            project.Note(57.0);
            out = project.Render(44100);
        } else {
            out = project.Render(44100, test::Noise(4410, 3));
        }
        EXPECT_TRUE(test::AllFinite(out.left) && test::AllFinite(out.right));
        EXPECT_GT(std::max(test::Rms(out.left), test::Rms(out.right)), 0.001);
    }
}

TEST_F(BuiltinMachinesTest, TheFactoryMakesAWorkingMaster) {
    MachineFactory factory(BuiltinMachines());
    std::optional<MachineHandle> handle = factory.CreateMachine("Tarn Master");
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->FileName(), "Tarn Master.so");
    EXPECT_NE(dynamic_cast<Master*>(&handle->Instance()), nullptr);

    // A project takes its machines from the factory: a Master, and a second
    // one as a stereo source.
    Project project(factory);
    ASSERT_EQ(project.CreateNode("Tarn Master", {}, 0), 0);
    ASSERT_EQ(project.CreateNode("Tarn Master"), 1);
    Node& node = *project.GetNode(0);
    EXPECT_EQ(node.Info().kind, kKindMaster);
    EXPECT_EQ(node.OutputChannelCount(), 2);

    // Left input connected and carrying a tone, right input open.
    ASSERT_EQ(project.ConnectChannels(1, 0, 0, 0), 1);
    for (int channel = 0; channel < 2; ++channel) {
        for (int frame = 0; frame < kMaxChunkFrames; ++frame) {
            node.Inputs().Samples(channel)[frame] = std::sin(frame * 0.05);
        }
    }
    WorkRecord record;
    record.inputs = node.Inputs().Records();
    record.outputs = node.Outputs().Records();
    record.frameCount = kMaxChunkFrames;
    EXPECT_EQ(node.SendToMachine(kMsgWork, 0, &record), 1);
    for (int frame = 0; frame < kMaxChunkFrames; ++frame) {
        ASSERT_EQ(node.Outputs().Samples(0)[frame], std::sin(frame * 0.05));
        ASSERT_EQ(node.Outputs().Samples(1)[frame], 0.0);
    }

    // Every name of the table is known, registered or not; the machines not
    // written yet say so rather than being "not found".
    for (const BuiltinMachine& builtin : BuiltinMachines()) {
        errors.clear();
        EXPECT_EQ(factory.CreateMachine(builtin.name).has_value(), builtin.construct != nullptr);
        if (builtin.construct == nullptr) {
            EXPECT_EQ(errors, (std::vector<std::string>{"error: " + std::string(builtin.name) +
                                                        " is not built yet"}));
        }
    }
}

TEST_F(BuiltinMachinesTest, TheShippedGearFilesLoad) {
    const char* source = std::getenv("TARN_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "TARN_SOURCE_DIR names the source tree (CTest sets it)";
    const std::filesystem::path dist = std::filesystem::path(source) / "dist";

    // The directory list is in the writer's own form, CR LF included.
    XmlTree list;
    ASSERT_EQ(list.Load(dist / "Plugin/Gear/Gear.config.xml"), 1);
    ASSERT_EQ(list.Save(App() / "Gear.config.xml"), 1);
    EXPECT_EQ(test::ReadFile(App() / "Gear.config.xml"),
              test::ReadFile(dist / "Plugin/Gear/Gear.config.xml"));
    ASSERT_EQ(list.Root()->Children().Count(), 1);
    const XmlNode& group = *list.Root()->Children().Get(0);
    EXPECT_EQ(group.ChildValueByName("name"), "VST");
    EXPECT_EQ(group.ChildValueByName("adapter"), "VST");
    std::vector<std::string> directories;
    for (auto [index, child] : group.Children()) {
        if (child->Name() == "directory") {
            directories.push_back(child->ChildValueByName("name"));
        }
    }
    EXPECT_EQ(directories,
              (std::vector<std::string>{"/usr/lib/vst", "/usr/lib/lxvst", "/usr/local/lib/vst",
                                        "/usr/local/lib/lxvst"}));

    // The catalogue places every registered built-in but the Master exactly
    // once, and names nothing else.
    SetAppDirectory(dist);
    MachineFactory factory(BuiltinMachines());
    EXPECT_EQ(factory.Registry().Build(), 1);
    GearCatalogue catalogue;
    catalogue.Build(factory.Registry());
    SetAppDirectory(App());
    EXPECT_TRUE(errors.empty());

    std::set<std::string> placed;
    bool unsorted = false;
    for (const std::string& line : test::CatalogueLines(catalogue)) {
        const std::string item = line.substr(line.find_first_not_of(' '));
        EXPECT_FALSE(item.starts_with("- ")) << item;
        unsorted = unsorted || line == "Unsorted/";
        if (!unsorted && item.starts_with("+ ")) {
            placed.insert(item.substr(2));
        }
    }
    EXPECT_TRUE(unsorted);
    std::set<std::string> registered;
    for (const BuiltinMachine& builtin : BuiltinMachines()) {
        if (builtin.registered && builtin.name != std::string(GearCatalogue::kMasterName)) {
            registered.insert(builtin.name);
        }
    }
    EXPECT_EQ(placed, registered);
}

} // namespace
} // namespace tarn
