#include "app/CommandLine.h"

#include "base/AppDirectory.h"
#include "base/ConsoleLog.h"
#include "base/MessagePipe.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/GearCatalogue.h"
#include "machines/framework/MachineFactory.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <iomanip>
#include <iostream>

#ifndef TARN_VERSION
#define TARN_VERSION "0.0.0"
#endif

namespace tarn {
namespace {

// The console of a command-line run: every line reaches "Out/Console.log"
// as in the studio, and with no console window to show them errors are
// echoed to stderr too. Lives for the whole command.
class CommandConsole {
public:
    CommandConsole() : log_(PrepareLogFile()) {
        MessageOut().RegisterReceiver(&log_, &Receive, kMessageLine);
        ErrorOut().RegisterReceiver(&log_, &Receive, kErrorLine);
        WarningOut().RegisterReceiver(&log_, &Receive, kWarningLine);
    }

private:
    // A fresh application directory may lack "Out"; without it the log
    // would silently keep its lines in memory only.
    static std::filesystem::path PrepareLogFile() {
        const std::filesystem::path file = AppPath(ConsoleLog::kFileName);
        std::error_code ignored;
        std::filesystem::create_directories(file.parent_path(), ignored);
        return file;
    }

    static void Receive(void* log, int kind, const std::string& text) {
        ConsoleLog::Receive(log, kind, text);
        if (kind == kErrorLine) {
            std::cerr << text << '\n';
        }
    }

    // Unregisters itself from the pipes when destroyed.
    ConsoleLog log_;
};

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

void PrintMachines(std::ostream& out) {
    MessageOut() << "creating machine factory..." << eol;
    MachineFactory factory(BuiltinMachines());
    factory.Registry().Build();
    GearCatalogue catalogue;
    catalogue.Build(factory.Registry());

    PrintRegistry(out, factory.Registry());
    out << "\nCatalogue:\n";
    PrintCatalogueItems(out, catalogue.Root(), 1);
}

} // namespace

int RunCommandLine(int argc, char** argv) {
    CLI::App app{"Tarn Studio " TARN_VERSION " - a modular music-production studio", "tarn"};
    app.set_version_flag("--version", "Tarn Studio " TARN_VERSION);
    app.require_subcommand(0, 1);
    CLI::App* machines = app.add_subcommand(
        "machines", "List every machine that can be created and the new-machine catalogue");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }

    SetAppDirectory(std::filesystem::current_path());
    CommandConsole console;
    if (!machines->parsed()) {
        std::cout << "Tarn Studio " TARN_VERSION "\n\n" << app.help() << '\n';
    }
    PrintMachines(std::cout);
    return 0;
}

} // namespace tarn
