#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <iosfwd>
#include <string>

namespace tarn {

class CommandConsole;

// One `tarn` subcommand: its parser, added to the main parser, and what runs
// once it was chosen and the console is up; run answers the exit status.
struct Command {
    CLI::App* parser = nullptr;
    std::function<int(CommandConsole& console)> run;
};

Command AddMachinesCommand(CLI::App& app);
Command AddNewCommand(CLI::App& app);
Command AddDumpCommand(CLI::App& app);
Command AddRenderCommand(CLI::App& app);
Command AddPlayCommand(CLI::App& app);
Command AddDemoCommand(CLI::App& app);
Command AddImportCommand(CLI::App& app);
Command AddWaveCommand(CLI::App& app);
Command AddMidiCommand(CLI::App& app);
Command AddPluginsCommand(CLI::App& app);

// The parser of `tarn studio [PROJECT]`, also what `tarn` alone runs; the
// project named, if any, lands in project.
CLI::App* AddStudioParser(CLI::App& app, std::string& project);
// That command in the program without windows: it becomes the program with
// them, "tarn-studio" beside it, asked to open the studio (with PROJECT).
// Keeping the window toolkit out of `tarn` spares every other command the
// loading of its libraries.
Command AddStudioLauncher(CLI::App& app);

// The machine registry and the new-machine catalogue, as `tarn machines`
// prints them; bare `tarn` prints them after its usage.
int PrintMachines(std::ostream& out);

} // namespace tarn
