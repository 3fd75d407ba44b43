#include "app/Command.h"
#include "app/CommandConsole.h"
#include "app/OutputFile.h"
#include "app/Studio.h"
#include "document/ProjectFile.h"
#include "engine/Project.h"

#include <memory>
#include <string>

namespace tarn {
namespace {

struct NewOptions {
    std::string file;
    bool force = false;
};

} // namespace

Command AddNewCommand(CLI::App& app) {
    auto options = std::make_shared<NewOptions>();
    CLI::App* parser =
        app.add_subcommand("new", "Save a new project: the Master alone, at 120 BPM");
    parser->add_option("OUT", options->file, "The project file to write (.tarn)")->required();
    parser->add_flag("--force", options->force, "Replace an existing file");
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
