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
    friend int RunCommandLine(int argc, char** argv, Command (*windowCommand)(CommandParser&));
    explicit CommandParser(CLI::App* app) : app_(app) {}

    CLI::App* app_ = nullptr;
};

// Adds a command to the main parser (see Command.h).
using CommandAdder = Command (*)(CommandParser& app);

// The studio's command-line front end: parses the arguments, runs the
// chosen command and returns the process exit status. The program that has
// windows names the command that opens them (windowCommand); it also runs
// when no command is given. Without one, no command prints the usage and
// the machines.
int RunCommandLine(int argc, char** argv, CommandAdder windowCommand = nullptr);

} // namespace tarn
