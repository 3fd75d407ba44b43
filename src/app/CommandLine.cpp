#include "app/CommandLine.h"

#include "app/AppDirectoryChoice.h"
#include "app/Command.h"
#include "app/CommandConsole.h"
#include "base/AppDirectory.h"
#include "base/MessagePipe.h"

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

int RunCommandLine(int argc, char** argv, CommandAdder windowCommand) {
    CLI::App app{"Tarn Studio " TARN_VERSION " - a modular music-production studio", "tarn"};
    app.set_version_flag("--version", "Tarn Studio " TARN_VERSION);
    app.require_subcommand(0, 1);
    // Every failure line of the program starts alike, the parser's too.
    app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
        return "error: " + std::string(error.what()) + "\nRun '" + failed->get_name() +
               " --help' for more information.\n";
    });
    const std::array commands{AddRenderCommand(app),   AddPlayCommand(app), AddDumpCommand(app),
                              AddImportCommand(app),   AddNewCommand(app),  AddDemoCommand(app),
                              AddMachinesCommand(app), AddWaveCommand(app), AddMidiCommand(app),
                              AddPluginsCommand(app)};
    const Command window = windowCommand != nullptr ? windowCommand(app) : Command{};
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
            if (command.parser->parsed()) {
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
