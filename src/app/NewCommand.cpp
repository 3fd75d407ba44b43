#include "app/Command.h"
#include "app/Studio.h"
#include "engine/Project.h"
#include "document/ProjectFile.h"

#include <iostream>
#include <memory>
#include <string>

namespace tarn {

Command AddNewCommand(CLI::App& app) {
    auto file = std::make_shared<std::string>();
    CLI::App* parser =
        app.add_subcommand("new", "Save a new project: the Master alone, at 120 BPM");
    parser->add_option("OUT", *file, "The project file to write (.tarn)")->required();
    return {parser, [file](CommandConsole&) {
                Studio studio;
                const std::unique_ptr<Project> project = studio.NewProject();
                if (project == nullptr || SaveProject(*project, *file) == 0) {
                    return 1;
                }
                std::cout << "saved " << *file << '\n';
                return 0;
            }};
}

} // namespace tarn
