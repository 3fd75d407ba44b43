#include "app/CommandLine.h"

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

int RunCommandLine(int argc, char** argv) {
    CLI::App app{"Tarn Studio " TARN_VERSION " - a modular music-production studio", "tarn"};
    app.set_version_flag("--version", "Tarn Studio " TARN_VERSION);
    app.require_subcommand(0, 1);
    const std::array commands{AddRenderCommand(app), AddPlayCommand(app), AddDumpCommand(app),
                              AddNewCommand(app),    AddDemoCommand(app), AddMachinesCommand(app),
                              AddWaveCommand(app),   AddMidiCommand(app)};
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }

    SetAppDirectory(std::filesystem::current_path());
    CommandConsole console;
    try {
        for (const Command& command : commands) {
            if (command.parser->parsed()) {
                return command.run(console);
            }
        }
        std::cout << "Tarn Studio " TARN_VERSION "\n\n" << app.help() << '\n';
        return PrintMachines(std::cout);
    } catch (const std::exception& failure) {
        ErrorOut() << "error: " << failure.what() << eol;
        return 1;
    }
}

} // namespace tarn
