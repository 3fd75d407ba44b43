#include "cli/CommandLine.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "cli/Command.h"
#include "studio/AppDirectoryChoice.h"
#include "studio/CommandConsole.h"

// The only file that includes the argument parser: it is heavy to compile,
// and the commands see it through CommandParser alone.
#include <CLI/CLI.hpp>

#include <array>
#include <exception>
#include <filesystem>
#include <iostream>

#ifndef TARN_VERSION
#define TARN_VERSION "0.0.0"
#endif

namespace tarn {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsageError = 2;

} // namespace

CommandOption& CommandOption::Required() {
    option_->required();
    return *this;
}

CommandOption& CommandOption::ShowDefault() {
    option_->capture_default_str();
    return *this;
}

CommandOption& CommandOption::OneOf(const std::vector<std::string>& values) {
    option_->check(CLI::IsMember(values));
    return *this;
}

CommandOption& CommandOption::Between(int low, int high) {
    option_->check(CLI::Range(low, high));
    return *this;
}

CommandOption& CommandOption::Check(std::function<std::string(const std::string&)> check,
                                    const std::string& shown) {
    option_->check(CLI::Validator(
        [check = std::move(check)](std::string& text) { return check(text); }, shown));
    return *this;
}

CommandOption& CommandOption::SplitAt(char separator) {
    option_->delimiter(separator);
    return *this;
}

CommandParser CommandParser::Subcommand(const std::string& name, const std::string& description) {
    return CommandParser(app_->add_subcommand(name, description));
}

CommandOption CommandParser::Option(const std::string& names, std::string& value,
                                    const std::string& description) {
    return CommandOption(app_->add_option(names, value, description));
}

CommandOption CommandParser::Option(const std::string& names, int& value,
                                    const std::string& description) {
    return CommandOption(app_->add_option(names, value, description));
}

CommandOption CommandParser::Option(const std::string& names, double& value,
                                    const std::string& description) {
    return CommandOption(app_->add_option(names, value, description));
}

CommandOption CommandParser::Option(const std::string& names, std::vector<int>& values,
                                    const std::string& description) {
    return CommandOption(app_->add_option(names, values, description));
}

void CommandParser::Flag(const std::string& names, bool& value, const std::string& description) {
    app_->add_flag(names, value, description);
}

void CommandParser::RequireSubcommand() {
    app_->require_subcommand(1);
}

bool CommandParser::Parsed() const {
    return app_ != nullptr && app_->parsed();
}

int RunCommandLine(int argc, char** argv, CommandAdder windowCommand) {
    CLI::App app{"Tarn Studio " TARN_VERSION " - a modular music-production studio", "tarn"};
    CommandParser main(&app);
    app.set_version_flag("--version", "Tarn Studio " TARN_VERSION);
    app.require_subcommand(0, 1);
    // Every failure line of the program starts alike, the parser's too.
    app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
        return "error: " + std::string(error.what()) + "\nRun '" + failed->get_name() +
               " --help' for more information.\n";
    });
    const std::array commands{AddRenderCommand(main),   AddPlayCommand(main), AddDumpCommand(main),
                              AddImportCommand(main),   AddNewCommand(main),  AddDemoCommand(main),
                              AddMachinesCommand(main), AddWaveCommand(main), AddMidiCommand(main),
                              AddPluginsCommand(main)};
    const Command window = windowCommand != nullptr ? windowCommand(main) : Command{};
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help and --version end the parse as well, successfully.
        return app.exit(error) == 0 ? kSuccess : kUsageError;
    }

    const AppDirectoryChoice choice = ChooseAppDirectory(std::filesystem::current_path());
    SetAppDirectory(choice.directory);
    if (!choice.note.empty()) {
        std::cerr << choice.note << '\n';
    }
    CommandConsole console;
    if (!choice.note.empty()) {
        MessageOut() << choice.note << eol;
    }
    try {
        for (const Command& command : commands) {
            if (command.parser.Parsed()) {
                return command.run(console);
            }
        }
        if (window.run) {
            return window.run(console);
        }
        std::cout << "Tarn Studio " TARN_VERSION "\n\n" << app.help() << '\n';
        return PrintMachines(std::cout);
    } catch (const std::exception& failure) {
        ErrorOut() << "error: " << failure.what() << eol;
        return kFailure;
    }
}

} // namespace tarn
