#include "machines/framework/GearCatalogue.h"

#include "machines/framework/GearFixture.h"
#include "machines/framework/MachineFactory.h"

#include <gtest/gtest.h>

#include <array>

namespace tarn {
namespace {

class Builtin : public Machine {};

std::unique_ptr<Machine> MakeBuiltin() {
    return std::make_unique<Builtin>();
}

constexpr std::array kBuiltins{
    BuiltinMachine{"Tarn Master", true, &MakeBuiltin},
    BuiltinMachine{"Tarn Delay", true, nullptr},
    BuiltinMachine{"Tarn Flanger", true, nullptr},
    BuiltinMachine{"Tarn EQ10", true, nullptr},
    BuiltinMachine{"Tarn Chip Chords", false, &MakeBuiltin},
};

// One line per item, indented by depth: "Folder/", "+ Name" or "- Name",
// with " @path" when a path is stored.
void Flatten(const CatalogueItem& folder, const std::string& indent,
             std::vector<std::string>& lines) {
    for (const CatalogueItem& item : folder.children) {
        if (item.folder) {
            lines.push_back(indent + item.name + "/");
            Flatten(item, indent + "  ", lines);
        } else {
            lines.push_back(indent + (item.available ? "+ " : "- ") + item.name +
                            (item.path.empty() ? "" : " @" + item.path));
        }
    }
}

std::vector<std::string> Flatten(const GearCatalogue& catalogue) {
    std::vector<std::string> lines;
    Flatten(catalogue.Root(), "", lines);
    return lines;
}

using GearCatalogueTest = test::GearFixture;

TEST_F(GearCatalogueTest, GroupsNestAndEachMachineIsOfferedOnce) {
    AddLibrary("Plugins/Echo.so");
    AddLibrary("Plugins/Wobble.so");
    WriteDirectoryList({{"VST", "VST", {"Plugins"}}});
    GearRegistry registry(kBuiltins);
    ASSERT_EQ(registry.Build(), 1);

    WriteText("Plugin/Gear/Index.xml", "<index>\r\n"
                                       "  <group>\r\n"
                                       "    <name>Effects</name>\r\n"
                                       "    <group>\r\n"
                                       "      <name>Time</name>\r\n"
                                       "      <machine>\r\n"
                                       "        <name>Tarn Delay</name>\r\n"
                                       "        <path>/fx/delay</path>\r\n"
                                       "      </machine>\r\n"
                                       "      <machine>\r\n"
                                       "        <name>Echo</name>\r\n"
                                       "      </machine>\r\n"
                                       "    </group>\r\n"
                                       "    <note>no name, so not an item</note>\r\n"
                                       "    <machine>\r\n"
                                       "      <name>Tarn Delay</name>\r\n"
                                       "    </machine>\r\n"
                                       "  </group>\r\n"
                                       "  <machine>\r\n"
                                       "    <name>Tarn Master</name>\r\n"
                                       "  </machine>\r\n"
                                       "  <machine>\r\n"
                                       "    <name>Tarn Chip Chords</name>\r\n"
                                       "  </machine>\r\n"
                                       "  <machine>\r\n"
                                       "    <name>Not Installed</name>\r\n"
                                       "  </machine>\r\n"
                                       "</index>\r\n");
    GearCatalogue catalogue;
    catalogue.Build(registry);
    EXPECT_TRUE(catalogue.Root().folder);
    EXPECT_EQ(Flatten(catalogue),
              (std::vector<std::string>{"Effects/", "  Time/", "    + Tarn Delay @/fx/delay",
                                        "    + Echo", "  - Tarn Delay", "- Tarn Master",
                                        "- Tarn Chip Chords", "- Not Installed", "Unsorted/",
                                        "  + Tarn Flanger", "  + Tarn EQ10", "  + Wobble"}));

    // Building again starts from a fresh pool.
    catalogue.Build(registry);
    EXPECT_EQ(Flatten(catalogue).size(), 12u);
}

TEST_F(GearCatalogueTest, WithoutPlacementsEverythingButTheMasterIsUnsorted) {
    GearRegistry registry(kBuiltins);
    registry.Build();
    const std::vector<std::string> unsortedOnly{"Unsorted/", "  + Tarn Delay", "  + Tarn Flanger",
                                                "  + Tarn EQ10"};

    WriteText("Plugin/Gear/Index.xml", "<index>\r\n</index>\r\n");
    GearCatalogue catalogue;
    catalogue.Build(registry);
    EXPECT_EQ(Flatten(catalogue), unsortedOnly);

    // An unreadable catalogue file still offers every machine.
    std::filesystem::remove(App() / "Plugin/Gear/Index.xml");
    catalogue.Build(registry);
    EXPECT_EQ(Flatten(catalogue), unsortedOnly);

    // Never offered, yet a project naming it still gets it.
    MachineFactory factory(kBuiltins);
    EXPECT_TRUE(factory.CreateMachine("Tarn Chip Chords"));
}

} // namespace
} // namespace tarn
