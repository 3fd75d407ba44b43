#include "app/StudioCommand.h"

#include "gui/StudioApplication.h"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace tarn {
namespace {

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

} // namespace

bool DisplayAvailable() {
    return Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

Command AddStudioCommand(CommandParser& app) {
    auto project = std::make_shared<std::string>();
    return {AddStudioParser(app, *project), [project](CommandConsole& console) {
                if (!DisplayAvailable()) {
                    std::cerr << "tarn: no display to open the studio window on (DISPLAY is not "
                                 "set); run 'tarn --help' for the commands that work without one\n";
                    return 1;
                }
                return RunStudio(console, *project);
            }};
}

} // namespace tarn
