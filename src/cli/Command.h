#pragma once

#include "cli/CommandLine.h"

#include <functional>
#include <iosfwd>
#include <string>

namespace tarn {

class CommandConsole;

// One `tarn` subcommand: its parser, added to the main parser, and what runs
// once it was chosen and the console is up; run answers the exit status.
struct Command {
    CommandParser parser;
    std::function<int(CommandConsole& console)> run;
};

Command AddMachinesCommand(CommandParser& app);
Command AddNewCommand(CommandParser& app);
Command AddDumpCommand(CommandParser& app);
Command AddRenderCommand(CommandParser& app);
Command AddPlayCommand(CommandParser& app);
Command AddDemoCommand(CommandParser& app);
Command AddImportCommand(CommandParser& app);
Command AddWaveCommand(CommandParser& app);
Command AddMidiCommand(CommandParser& app);
Command AddPluginsCommand(CommandParser& app);

// The parser of `tarn studio [PROJECT]`, also what `tarn` alone runs; the
// project named, if any, lands in project.
CommandParser AddStudioParser(CommandParser& app, std::string& project);
// That command in the program without windows: it becomes the program with
// them, "tarn-studio" beside it, asked to open the studio (with PROJECT).
// Keeping the window toolkit out of `tarn` spares every other command the
// loading of its libraries.
Command AddStudioLauncher(CommandParser& app);

// The machine registry and the new-machine catalogue, as `tarn machines`
// prints them; bare `tarn` prints them after its usage.
int PrintMachines(std::ostream& out);

} // namespace tarn
