#include "app/Command.h"

#include "base/MessagePipe.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/GearCatalogue.h"
#include "machines/framework/MachineFactory.h"

#include <algorithm>
#include <iomanip>
#include <iostream>

namespace tarn {
namespace {

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
            out << "built-in\n";
        } else {
            out << "plug-in " << (entry.directory / entry.fileName).string() << ", adapter "
                << (entry.adapter.empty() ? "none" : entry.adapter) << '\n';
        }
    }
}

// Folders end in "/"; machines are marked "+" when they can be created and
// "-" when the catalogue lists them but they are unavailable.
void PrintCatalogueItems(std::ostream& out, const CatalogueItem& folder, int depth) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    for (const CatalogueItem& item : folder.children) {
        if (item.folder) {
            out << indent << item.name << "/\n";
            PrintCatalogueItems(out, item, depth + 1);
        } else {
            out << indent << (item.available ? "+ " : "- ") << item.name
                << (item.available ? "" : " (unavailable)") << '\n';
        }
    }
}

} // namespace

int PrintMachines(std::ostream& out) {
    MessageOut() << "creating machine factory..." << eol;
    MachineFactory factory(BuiltinMachines());
    factory.Registry().Build();
    GearCatalogue catalogue;
    catalogue.Build(factory.Registry());

    PrintRegistry(out, factory.Registry());
    out << "\nCatalogue:\n";
    PrintCatalogueItems(out, catalogue.Root(), 1);
    return 0;
}

Command AddMachinesCommand(CLI::App& app) {
    CLI::App* parser = app.add_subcommand(
        "machines", "List every machine that can be created and the new-machine catalogue");
    return {parser, [](CommandConsole&) { return PrintMachines(std::cout); }};
}

} // namespace tarn
