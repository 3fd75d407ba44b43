#include "cli/Command.h"

#include "base/MessagePipe.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/MachineFactory.h"
#include "machines/framework/vst/VstAdapter.h"
#include "machines/framework/vst/VstPluginScan.h"

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>

namespace tarn {
namespace {

// One line per plug-in library of the Gear folders: its registry name,
// whether the studio loads it (and what it is) or why not, and its path;
// then what was passed over, with why.
void PrintPlugins(std::ostream& out, const GearRegistry& registry, const VstPluginScan& scan) {
    std::vector<const GearEntry*> plugins;
    std::size_t width = 0;
    for (const GearEntry& entry : registry.Entries()) {
        if (!entry.fileName.empty()) {
            plugins.push_back(&entry);
            width = std::max(width, entry.name.size());
        }
    }
    out << "Plug-ins (" << plugins.size() << "):\n";
    for (const GearEntry* entry : plugins) {
        const std::filesystem::path library = entry->directory / entry->fileName;
        out << "  " << std::left << std::setw(static_cast<int>(width) + 2) << entry->name;
        const auto verdict = scan.Verdicts().find(library);
        if (entry->adapter.empty()) {
            out << "no adapter";
        } else if (!entry->refusal.empty()) {
            out << "refused: " << entry->refusal;
        } else if (verdict != scan.Verdicts().end()) {
            out << verdict->second.result.kind << " \"" << verdict->second.result.name << "\"";
        }
        out << "  " << library.string() << '\n';
    }
    if (!registry.Skipped().empty()) {
        out << "Skipped (" << registry.Skipped().size() << "):\n";
        for (const SkippedGearEntry& skipped : registry.Skipped()) {
            out << "  " << skipped.path.string() << ": " << skipped.reason << '\n';
        }
    }
}

// Fills the registry from the Gear folders, trying every library aside
// first (all of them again with retry) and prints the verdicts.
int ScanPlugins(std::ostream& out, bool retry) {
    MessageOut() << "creating machine factory..." << eol;
    MachineFactory factory(BuiltinMachines(), &VstAdapter::Make);
    VstPluginScan scan;
    factory.Registry().SetScreen(
        [&scan, retry](std::vector<GearEntry>& entries) { scan.Screen(entries, retry); });
    factory.Registry().Build();
    PrintPlugins(out, factory.Registry(), scan);
    return 0;
}

} // namespace

Command AddPluginsCommand(CommandParser& app) {
    CommandParser parser = app.Subcommand(
        "plugins", "The plug-in libraries of the Gear folders: each is tried in a child process "
                   "before the studio loads it, and one that crashes, hangs or is no plug-in is "
                   "refused (remembered in Config/Plugins.cache.xml)");
    parser.RequireSubcommand();
    CommandParser scan =
        parser.Subcommand("scan", "Try every plug-in library again and list the verdicts");
    parser.Subcommand("list", "List every plug-in library with its verdict, trying only "
                              "the libraries that are new or changed");
    return {parser, [scan](CommandConsole&) { return ScanPlugins(std::cout, scan.Parsed()); }};
}

} // namespace tarn
