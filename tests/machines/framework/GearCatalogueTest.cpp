#include "machines/framework/GearCatalogue.h"

#include "machines/framework/GearFixture.h"
#include "machines/framework/MachineFactory.h"

#include <gtest/gtest.h>

#include <array>

namespace tarn {
namespace {

using test::Builtin;
using test::MakeBuiltin;

constexpr std::array kBuiltins{
    BuiltinMachine{"Tarn Master", true, &MakeBuiltin},
    BuiltinMachine{"Tarn Delay", true, nullptr},
    BuiltinMachine{"Tarn Flanger", true, nullptr},
    BuiltinMachine{"Tarn EQ10", true, nullptr},
    BuiltinMachine{"Tarn Chip Chords", false, &MakeBuiltin},
};

using GearCatalogueTest = test::GearFixture;

TEST_F(GearCatalogueTest, GroupsNestAndEachMachineIsOfferedOnce) {
    AddLibrary("Plugins/Echo.so");
    AddLibrary("Plugins/Wobble.so");
    WriteDirectoryList({{"VST", "VST", {"Plugins"}}});
    GearRegistry registry(kBuiltins);
    ASSERT_EQ(registry.Build(), 1);

    // Line breaks are optional in the dialect; tags directly follow each other.
    WriteText("Plugin/Gear/Index.xml",
              "<index><group><name>Effects</name>"
              "<group><name>Time</name>"
              "<machine><name>Tarn Delay</name><path>/fx/delay</path></machine>"
              "<machine><name>Echo</name></machine></group>"
              "<note>no name, so not an item</note>"
              "<machine><name>Tarn Delay</name></machine></group>"
              "<machine><name>Tarn Master</name></machine>"
              "<machine><name>Tarn Chip Chords</name></machine>"
              "<machine><name>Not Installed</name></machine></index>");
    GearCatalogue catalogue;
    catalogue.Build(registry);
    EXPECT_TRUE(catalogue.Root().folder);
    EXPECT_EQ(test::CatalogueLines(catalogue),
              (std::vector<std::string>{"Effects/", "  Time/", "    + Tarn Delay @/fx/delay",
                                        "    + Echo", "  - Tarn Delay", "- Tarn Master",
                                        "- Tarn Chip Chords", "- Not Installed", "Unsorted/",
                                        "  + Tarn Flanger", "  + Tarn EQ10", "  + Wobble"}));

    // Building again starts from a fresh pool.
    catalogue.Build(registry);
    EXPECT_EQ(test::CatalogueLines(catalogue).size(), 12u);
}

TEST_F(GearCatalogueTest, WithoutPlacementsEverythingButTheMasterIsUnsorted) {
    GearRegistry registry(kBuiltins);
    registry.Build();
    const std::vector<std::string> unsortedOnly{"Unsorted/", "  + Tarn Delay", "  + Tarn Flanger",
                                                "  + Tarn EQ10"};

    WriteText("Plugin/Gear/Index.xml", "<index>\r\n</index>\r\n");
    GearCatalogue catalogue;
    catalogue.Build(registry);
    EXPECT_EQ(test::CatalogueLines(catalogue), unsortedOnly);

    // An unreadable catalogue file still offers every machine.
    std::filesystem::remove(App() / "Plugin/Gear/Index.xml");
    catalogue.Build(registry);
    EXPECT_EQ(test::CatalogueLines(catalogue), unsortedOnly);

    // Never offered, yet a project naming it still gets it.
    MachineFactory factory(kBuiltins);
    EXPECT_TRUE(factory.CreateMachine("Tarn Chip Chords"));
}

} // namespace
} // namespace tarn
