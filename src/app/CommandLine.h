#pragma once

namespace CLI {
class App;
}

namespace tarn {

struct Command;

// Adds a command to the main parser (see Command.h).
using CommandAdder = Command (*)(CLI::App& app);

// The studio's command-line front end: parses the arguments, runs the
// chosen command and returns the process exit status. The program that has
// windows names the command that opens them (windowCommand); it also runs
// when no command is given. Without one, no command prints the usage and
// the machines.
int RunCommandLine(int argc, char** argv, CommandAdder windowCommand = nullptr);

} // namespace tarn
