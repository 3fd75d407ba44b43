#include "cli/Command.h"

#include "base/MessagePipe.h"
#include "engine/Project.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/GearCatalogue.h"
#include "machines/framework/MachineFactory.h"
#include "machines/framework/vst/VstAdapter.h"
#include "machines/framework/vst/VstPluginScan.h"
#include "studio/MachineDescription.h"
#include "studio/Studio.h"

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>

namespace tarn {
namespace {

constexpr const char* kNotBuilt = "not built yet";

// A built-in of the table whose machine is not written yet.
bool NotBuilt(const std::string& name) {
    const auto builtins = BuiltinMachines();
    return std::any_of(builtins.begin(), builtins.end(), [&name](const BuiltinMachine& builtin) {
        return builtin.construct == nullptr && name == builtin.name;
    });
}

void PrintRegistry(std::ostream& out, const GearRegistry& registry) {
    const std::vector<GearEntry>& entries = registry.Entries();
    std::size_t width = 0;
    for (const GearEntry& entry : entries) {
        width = std::max(width, entry.name.size());
    }
    out << "Machines (" << entries.size() << "):\n";
    for (const GearEntry& entry : entries) {
        out << "  " << std::left << std::setw(static_cast<int>(width) + 2) << entry.name;
        if (entry.fileName.empty()) {
            out << "built-in" << (NotBuilt(entry.name) ? std::string(", ") + kNotBuilt : "")
                << '\n';
        } else {
            out << "plug-in " << (entry.directory / entry.fileName).string() << ", adapter "
                << (entry.adapter.empty() ? "none" : entry.adapter)
                << (entry.refusal.empty() ? "" : ", refused: " + entry.refusal) << '\n';
        }
    }
}

// Folders end in "/"; machines are marked "+" when they can be created and
// "-" when the catalogue lists them but they are unavailable or not built.
void PrintCatalogueItems(std::ostream& out, const CatalogueItem& folder, int depth) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    for (const CatalogueItem& item : folder.children) {
        if (item.folder) {
            out << indent << item.name << "/\n";
            PrintCatalogueItems(out, item, depth + 1);
        } else if (!item.available) {
            out << indent << "- " << item.name << " (unavailable)\n";
        } else if (NotBuilt(item.name)) {
            out << indent << "- " << item.name << " (" << kNotBuilt << ")\n";
        } else {
            out << indent << "+ " << item.name << '\n';
        }
    }
}

// Makes the machine in a new project, as a song would, and prints the
// description it sent; the Master is the one every project has.
int DescribeMachine(std::ostream& out, const std::string& name) {
    Studio studio(StudioMachines::kBuiltInAndGear);
    const std::unique_ptr<Project> project = studio.NewProject();
    if (project == nullptr) {
        return 1;
    }
    Node* master = project->GetNode(Project::kMasterId);
    const int id = name == master->MachineName() ? Project::kMasterId : project->CreateNode(name);
    if (id < 0) {
        return 1;
    }
    PrintMachineDescription(out, *project->GetNode(id));
    return 0;
}

} // namespace

int PrintMachines(std::ostream& out) {
    MessageOut() << "creating machine factory..." << eol;
    MachineFactory factory(BuiltinMachines(), &VstAdapter::Make);
    VstPluginScan scan;
    factory.Registry().SetScreen(
        [&scan](std::vector<GearEntry>& entries) { scan.Screen(entries); });
    factory.Registry().Build();
    GearCatalogue catalogue;
    catalogue.Build(factory.Registry());

    PrintRegistry(out, factory.Registry());
    out << "\nCatalogue:\n";
    PrintCatalogueItems(out, catalogue.Root(), 1);
    return 0;
}

Command AddMachinesCommand(CommandParser& app) {
    auto name = std::make_shared<std::string>();
    CommandParser parser = app.Subcommand(
        "machines", "List every machine that can be created and the new-machine catalogue, or "
                    "describe one machine: its kind, channels, tracks and parameters");
    parser.Option("NAME", *name, "The machine to describe, e.g. \"Tarn Analog Bass\"");
    return {parser, [name](CommandConsole&) {
                return name->empty() ? PrintMachines(std::cout) : DescribeMachine(std::cout, *name);
            }};
}

} // namespace tarn
