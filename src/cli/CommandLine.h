#pragma once

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI

namespace tarn {

struct Command;
struct CommandLineTree;

// One option of a command as it was added; its rules chain. Set up before
// the parse only.
class CommandOption {
public:
    CommandOption& Required();
    // The value the option starts with is shown in the help.
    CommandOption& ShowDefault();
    // The values allowed; any other is refused with a sentence naming them.
    CommandOption& OneOf(const std::vector<std::string>& values);
    CommandOption& Between(int low, int high);
    // A value is refused with the sentence check answers, accepted when it
    // answers an empty one; shown names the values in the help.
    CommandOption& Check(std::function<std::string(const std::string&)> check,
                         const std::string& shown);
    // Several values in one argument, separated by separator.
    CommandOption& SplitAt(char separator);

private:
    friend class CommandParser;
    explicit CommandOption(CLI::Option* option) : option_(option) {}

    CLI::Option* option_;
};

// The parser of the command line or of one of its commands, as the
// commands describe themselves to it. A handle: the main parser owns what
// it refers to, for the whole run of RunCommandLine. This interface is all
// the commands see of the argument parser, which one file alone compiles.
class CommandParser {
public:
    // No parser: never parsed.
    CommandParser() = default;

    CommandParser Subcommand(const std::string& name, const std::string& description);
    // names as "-o,--output", or "PROJECT" for an argument without a name.
    CommandOption Option(const std::string& names, std::string& value,
                         const std::string& description);
    CommandOption Option(const std::string& names, int& value, const std::string& description);
    CommandOption Option(const std::string& names, double& value, const std::string& description);
    CommandOption Option(const std::string& names, std::vector<int>& values,
                         const std::string& description);
    void Flag(const std::string& names, bool& value, const std::string& description);
    // One of the subcommands must be chosen.
    void RequireSubcommand();
    // Whether the command line chose this command; after the parse.
    bool Parsed() const;

private:
    friend struct CommandLineTree;
    explicit CommandParser(CLI::App* app) : app_(app) {}

    CLI::App* app_ = nullptr;
};

// Adds a command to the main parser (see Command.h).
using CommandAdder = Command (*)(CommandParser& app);

// One option or argument of a command as its help shows it.
struct OptionReference {
    std::vector<std::string> names;  // "-o", "--output"; or "PROJECT" for an argument
    std::string value;               // what it takes ("TEXT", "FLOAT"); empty for a flag
    std::vector<std::string> values; // the only values allowed, if it names them
    std::string description;
    std::string defaultValue; // shown in the help, if any
    bool required = false;
    bool positional = false;
};

// A command as its help shows it, with its own commands (`plugins list`).
struct CommandReference {
    std::string name; // "tarn" for the program itself
    std::string description;
    std::vector<OptionReference> options; // the help flag too
    std::vector<CommandReference> commands;
};

// The program's whole command line as RunCommandLine parses it (with the
// window's command of windowCommand), for the manual pages and the shell's
// completion, so that they never differ from --help.
CommandReference DescribeCommandLine(CommandAdder windowCommand);

// The studio's command-line front end: parses the arguments, runs the
// chosen command and returns the process exit status. The program that has
// windows names the command that opens them (windowCommand); it also runs
// when no command is given. Without one, no command prints the usage and
// the machines.
int RunCommandLine(int argc, char** argv, CommandAdder windowCommand = nullptr);

} // namespace tarn
