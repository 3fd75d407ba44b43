#include "cli/Command.h"
#include "document/ProjectFile.h"
#include "engine/Project.h"
#include "studio/CommandConsole.h"
#include "studio/OutputFile.h"
#include "studio/Studio.h"

#include <memory>
#include <string>

namespace tarn {
namespace {

struct NewOptions {
    std::string file;
    bool force = false;
};

} // namespace

Command AddNewCommand(CommandParser& app) {
    auto options = std::make_shared<NewOptions>();
    CommandParser parser =
        app.Subcommand("new", "Save a new project: the Master alone, at 120 BPM");
    parser.Option("OUT", options->file, "The project file to write (.tarn)").Required();
    parser.Flag("--force", options->force, "Replace an existing file");
    return {parser, [options](CommandConsole& console) {
                const auto target = CheckProjectOutput(options->file, options->force);
                if (!target) {
                    return 1;
                }
                Studio studio(StudioMachines::kBuiltInAndGear);
                const std::unique_ptr<Project> project = studio.NewProject();
                if (project == nullptr || SaveProject(*project, *target) == 0) {
                    return 1;
                }
                console.Say("saved " + options->file);
                return 0;
            }};
}

} // namespace tarn
