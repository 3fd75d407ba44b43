#include "machines/framework/GearRegistry.h"

#include "machines/framework/GearFixture.h"

#include <gtest/gtest.h>

#include <array>

namespace tarn {
namespace {

constexpr std::array kBuiltins{
    BuiltinMachine{"Tarn Master", true, nullptr},
    BuiltinMachine{"Tarn Delay", true, nullptr},
    BuiltinMachine{"Tarn Chip Chords", false, nullptr},
    BuiltinMachine{"Tarn Flanger", true, nullptr},
};

using GearRegistryTest = test::GearFixture;

std::vector<std::string> Names(const GearRegistry& registry) {
    std::vector<std::string> names;
    for (const GearEntry& entry : registry.Entries()) {
        names.push_back(entry.name);
    }
    return names;
}

TEST_F(GearRegistryTest, RegistersBuiltinsThenLibrariesDepthFirstInNameOrderOnce) {
    // Created out of order so that name order has to come from the scan.
    AddLibrary("Plugins/Zeta.so");
    AddLibrary("Plugins/b/Beta.so");
    AddLibrary("Plugins/Alpha.so");
    AddLibrary("Plugins/a/deeper/Deep.so");
    AddLibrary("Plugins/a/Gamma.so");
    WriteText("Plugins/readme.txt", "not a library");
    AddLibrary("Plugins/libversioned.so.1");
    std::filesystem::create_directories(App() / "Plugins/folder.so");
    AddLibrary("Other/Omega.so");
    // A link back to a folder being scanned must not recurse forever.
    std::filesystem::create_directory_symlink(App() / "Plugins", App() / "Plugins/a/back");
    WriteDirectoryList({{"VST", "VST", {"Plugins", "Missing"}},
                        {"Raw", std::nullopt, {(App() / "Other").string(), ""}}});

    GearRegistry registry(kBuiltins);
    EXPECT_EQ(registry.Build(), 1);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Names(registry),
              (std::vector<std::string>{"Tarn Master", "Tarn Delay", "Tarn Flanger", "Deep",
                                        "Gamma", "Beta", "Alpha", "Zeta", "Omega"}));

    const GearEntry& master = registry.Entries()[0];
    EXPECT_EQ(master.fileName, "");
    EXPECT_EQ(master.adapter, "");
    EXPECT_EQ(master.directory, App() / "Plugin/Gear/Native/Tarn/Tarn Master");

    const GearEntry& deep = registry.Entries()[3];
    EXPECT_EQ(deep.fileName, "Deep.so");
    EXPECT_EQ(deep.directory, App() / "Plugins/a/deeper");
    EXPECT_EQ(deep.adapter, "VST");

    const GearEntry& omega = registry.Entries().back();
    EXPECT_EQ(omega.directory, App() / "Other");
    EXPECT_EQ(omega.adapter, "");

    // Rebuilding starts over instead of appending.
    AddLibrary("Other/Psi.so");
    EXPECT_EQ(registry.Build(), 1);
    EXPECT_EQ(registry.Entries().size(), 10u);
    EXPECT_EQ(registry.Entries().back().name, "Psi");
}

TEST_F(GearRegistryTest, UnreadableDirectoryListKeepsTheBuiltins) {
    GearRegistry registry(kBuiltins);
    EXPECT_EQ(registry.Build(), 0);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0],
              "error: failed to open file " + (App() / "Plugin/Gear/Gear.config.xml").string());
    EXPECT_EQ(errors[1], "error: failed to load Gear configuration");
    EXPECT_EQ(Names(registry),
              (std::vector<std::string>{"Tarn Master", "Tarn Delay", "Tarn Flanger"}));

    // Malformed text fails the same way, and plug-ins found before are gone.
    AddLibrary("Plugins/Alpha.so");
    WriteDirectoryList({{"VST", "VST", {"Plugins"}}});
    ASSERT_EQ(registry.Build(), 1);
    ASSERT_EQ(registry.Entries().size(), 4u);
    WriteText("Plugin/Gear/Gear.config.xml", "<gear>\r\n  <group>\r\n");
    errors.clear();
    EXPECT_EQ(registry.Build(), 0);
    EXPECT_EQ(errors, (std::vector<std::string>{"error: failed to load Gear configuration"}));
    EXPECT_EQ(registry.Entries().size(), 3u);
}

TEST_F(GearRegistryTest, LooksUpEntriesDirectoriesAndConfigurations) {
    AddLibrary("Plugins/Synth.so");
    WriteDirectoryList({{"VST", "VST", {"Plugins"}}});
    GearRegistry registry(kBuiltins);
    ASSERT_EQ(registry.Build(), 1);

    EXPECT_EQ(registry.FindEntry("Synth"), &registry.Entries().back());
    EXPECT_EQ(registry.FindEntry("synth"), nullptr);
    EXPECT_EQ(registry.FindEntry("Tarn Chip Chords"), nullptr);
    EXPECT_EQ(registry.GetDirectory("Tarn Delay"), App() / "Plugin/Gear/Native/Tarn/Tarn Delay");
    EXPECT_EQ(registry.GetDirectory("Synth"), App() / "Plugins");
    EXPECT_FALSE(registry.GetDirectory("Nothing"));

    WriteText("Plugin/Gear/Native/Tarn/Tarn Delay/Tarn Delay.config.xml",
              "<config>\r\n  <windows>\r\n    <mv>\r\n      <images>\r\n        "
              "<mac>/Delay.png</mac>\r\n      </images>\r\n    </mv>\r\n  </windows>\r\n"
              "</config>\r\n");
    WriteText("Plugins/Synth.config.xml", "<config>\r\n  <broken>\r\n");

    XmlTree configuration;
    ASSERT_TRUE(registry.LoadConfiguration("Tarn Delay", configuration));
    std::string image;
    EXPECT_EQ(configuration.GetValue("config.windows.mv.images.mac", image), 1);
    EXPECT_EQ(image, "/Delay.png");

    // Unknown entries, missing (optional) files and malformed files fail
    // without a line.
    EXPECT_FALSE(registry.LoadConfiguration("Nothing", configuration));
    EXPECT_EQ(configuration.Root(), nullptr);
    EXPECT_FALSE(registry.LoadConfiguration("Tarn Flanger", configuration));
    EXPECT_FALSE(registry.LoadConfiguration("Synth", configuration));
    EXPECT_TRUE(errors.empty());
}

} // namespace
} // namespace tarn
