#include "base/AppDirectory.h"
#include "cli/Command.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace tarn {
namespace {

constexpr const char* kStudioProgram = "tarn-studio";

int LaunchStudio(const std::string& project) {
    const std::filesystem::path program = ProgramFolder() / kStudioProgram;
    std::vector<std::string> arguments{kStudioProgram, "studio"};
    if (!project.empty()) {
        arguments.push_back(project);
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::cout.flush();
    execv(program.c_str(), argv.data());
    std::cerr << "tarn: cannot start the studio window program '" << program.string()
              << "': " << std::strerror(errno) << '\n';
    return 1;
}

} // namespace

CommandParser AddStudioParser(CommandParser& app, std::string& project) {
    // `tarn-studio PROJECT`, as the desktop opens a project file, and `tarn
    // PROJECT` alike. A word that is neither a command nor a project is a
    // mistyped command, and refused as one.
    app.Option("PROJECT", project, "A project file (.tarn) to open in the studio's window")
        .Check(
            [](const std::string& text) {
                std::error_code error;
                return text.ends_with(".tarn") || std::filesystem::is_regular_file(text, error)
                           ? std::string()
                           : "'" + text + "' is neither a command nor a project file";
            },
            "PROJECT");
    CommandParser parser = app.Subcommand(
        "studio", "Open the studio's window (what 'tarn' alone does), with PROJECT if given");
    parser.Option("PROJECT", project, "A project file (.tarn) to open");
    return parser;
}

Command AddStudioLauncher(CommandParser& app) {
    auto project = std::make_shared<std::string>();
    return {AddStudioParser(app, *project),
            [project](CommandConsole&) { return LaunchStudio(*project); }};
}

} // namespace tarn
