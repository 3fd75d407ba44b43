#include "cli/CommandLineFixture.h"

#include "engine/Project.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/ParameterDisplay.h"
#include "studio/Studio.h"

#include <array>
#include <memory>
#include <string>

namespace tarn {
namespace {

using CommandLineTest = test::CommandLineFixture;

TEST_F(CommandLineTest, ListsMachinesWithUsageOrAlone) {
    // First without any Gear file.
    std::filesystem::remove(scratch_ / "Plugin/Gear/Gear.config.xml");
    EXPECT_EQ(Run({"tarn"}), 0);
    EXPECT_EQ(out.rfind("Tarn Studio ", 0), 0u);
    const std::size_t usage = out.find("Usage:");
    const std::size_t machines = out.find("Machines (25):");
    EXPECT_NE(usage, std::string::npos);
    EXPECT_NE(machines, std::string::npos);
    EXPECT_LT(usage, machines);

    const std::string gear = (scratch_ / "Plugin/Gear/Gear.config.xml").string();
    const std::string index = (scratch_ / "Plugin/Gear/Index.xml").string();
    EXPECT_EQ(err, "error: failed to open file " + gear +
                       "\nerror: failed to load Gear configuration\n"
                       "error: failed to open file " +
                       index + "\n");
    EXPECT_EQ(test::ReadFile(scratch_ / "Out/Console.log"),
              "[MSG] creating machine factory...\n[ERR] error: failed to open file " + gear +
                  "\n[ERR] error: failed to load Gear configuration\n"
                  "[ERR] error: failed to open file " +
                  index + "\n");
    EXPECT_NE(Run({"tarn", "nonsense"}), 0);

    // With Gear files in place: no usage, plug-ins and placements listed,
    // and a fresh log.
    Write("Plugins/Fuzz.so", "");
    Write("Plugin/Gear/Gear.config.xml",
          "<gear><group><name>Raw</name><directory><name>Plugins</name></directory>"
          "</group></gear>");
    Write("Plugin/Gear/Index.xml", "<index><group><name>Effects</name>"
                                   "<machine><name>Tarn Analog Bass</name></machine>"
                                   "<machine><name>Tarn Master</name></machine></group></index>");

    EXPECT_EQ(Run({"tarn", "machines"}), 0);
    EXPECT_EQ(out.find("Usage:"), std::string::npos) << out;
    EXPECT_NE(out.find("Machines (26):\n  Tarn Master "), std::string::npos) << out;
    EXPECT_NE(out.find("built-in\n"), std::string::npos);
    EXPECT_NE(out.find("plug-in " + (scratch_ / "Plugins/Fuzz.so").string() + ", adapter none\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\nCatalogue:\n  Effects/\n    + Tarn Analog Bass\n"
                       "    - Tarn Master (unavailable)\n  Unsorted/\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("    + Fuzz\n"), std::string::npos);
    EXPECT_EQ(err, "");
    EXPECT_EQ(test::ReadFile(scratch_ / "Out/Console.log"), "[MSG] creating machine factory...\n");
}

// Every machine is built, so the list marks none as missing, and each is
// described from what it sends, whatever it is.
TEST_F(CommandLineTest, DescribesEveryBuiltMachineAndMarksNoneMissing) {
    Studio studio;
    const std::unique_ptr<Project> project = studio.NewProject();
    ASSERT_NE(project, nullptr);
    ASSERT_EQ(Run({"tarn", "machines"}), 0);
    EXPECT_EQ(out.find("not built yet"), std::string::npos) << out;
    EXPECT_EQ(out.find("(unavailable)"), std::string::npos) << out;
    for (const BuiltinMachine& builtin : BuiltinMachines()) {
        const std::string name = builtin.name;
        ASSERT_NE(builtin.construct, nullptr) << name;
        ASSERT_EQ(Run({"tarn", "machines", name}), 0) << name << err;
        EXPECT_EQ(err, "");
        const int id = name == "Tarn Master" ? Project::kMasterId : project->CreateNode(name);
        ASSERT_GE(id, 0) << name;
        Node& node = *project->GetNode(id);
        EXPECT_EQ(out.rfind(node.Info().name + " (", 0), 0u) << out;
        EXPECT_NE(out.find("\nkind: "), std::string::npos) << out;
        EXPECT_NE(out.find("\nchannels: " + std::to_string(node.Info().inputChannels) + " in, " +
                           std::to_string(node.Info().outputChannels) + " out"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find("\ntracks: " + std::to_string(node.Info().minTracks)),
                  std::string::npos);
        for (const int group : {kGroupSystem, kGroupMachine}) {
            for (const auto& [index, descriptor] : node.Parameters(group)) {
                const std::string head = "\n  " + std::to_string(group) + "/" +
                                         std::to_string(index) + "  " + descriptor.name + " (";
                const std::size_t at = out.find(head);
                ASSERT_NE(at, std::string::npos) << name << ": " << head;
                const std::size_t range = out.find('\n', at + 1) + 1;
                const std::string line = out.substr(range, out.find('\n', range) - range);
                std::array<char, kValueTextSize> text{};
                if (node.FormatValue(group, index, descriptor.defaultValue, text.data()) != 0) {
                    EXPECT_NE(line.find("(shown as \"" + std::string(text.data()) + "\")"),
                              std::string::npos)
                        << name << ": " << line;
                }
                const std::size_t firstLine = descriptor.description.find('\n');
                EXPECT_NE(out.find("    " + descriptor.description.substr(0, firstLine), at),
                          std::string::npos);
            }
        }
    }
    EXPECT_EQ(Run({"tarn", "machines", "Tarn Nothing"}), 1);
    EXPECT_EQ(err, "error: Tarn Nothing not found\n");
}

} // namespace
} // namespace tarn
