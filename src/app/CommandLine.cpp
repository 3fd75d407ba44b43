#include "app/CommandLine.h"

#include <CLI/CLI.hpp>

#include <iostream>

#ifndef TARN_VERSION
#define TARN_VERSION "0.0.0"
#endif

namespace tarn {

int RunCommandLine(int argc, char** argv) {
    CLI::App app{"Tarn Studio " TARN_VERSION " - a modular music-production studio", "tarn"};
    app.set_version_flag("--version", "Tarn Studio " TARN_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }
    std::cout << "Tarn Studio " TARN_VERSION "\n\n" << app.help();
    return 0;
}

} // namespace tarn
