#include "app/CommandLineFixture.h"

#include <string>

namespace tarn {
namespace {

using CommandLineTest = test::CommandLineFixture;

TEST_F(CommandLineTest, ListsMachinesWithUsageOrAlone) {
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
                                   "<machine><name>Tarn Delay</name></machine>"
                                   "<machine><name>Tarn Master</name></machine></group></index>");

    EXPECT_EQ(Run({"tarn", "machines"}), 0);
    EXPECT_EQ(out.find("Usage:"), std::string::npos) << out;
    EXPECT_NE(out.find("Machines (26):\n  Tarn Master "), std::string::npos) << out;
    EXPECT_NE(out.find("built-in\n"), std::string::npos);
    EXPECT_NE(out.find("plug-in " + (scratch_ / "Plugins/Fuzz.so").string() + ", adapter none\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\nCatalogue:\n  Effects/\n    + Tarn Delay\n"
                       "    - Tarn Master (unavailable)\n  Unsorted/\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("    + Fuzz\n"), std::string::npos);
    EXPECT_EQ(err, "");
    EXPECT_EQ(test::ReadFile(scratch_ / "Out/Console.log"), "[MSG] creating machine factory...\n");
}

} // namespace
} // namespace tarn
