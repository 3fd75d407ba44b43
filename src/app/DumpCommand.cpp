#include "app/Command.h"
#include "app/ProjectJson.h"
#include "app/Studio.h"
#include "engine/Project.h"
#include "document/ProjectSnapshot.h"

#include <iostream>
#include <memory>
#include <string>

namespace tarn {
namespace {

int Dump(const std::string& file) {
    Studio studio;
    const std::unique_ptr<Project> project = studio.LoadProject(file);
    if (project == nullptr) {
        return 1;
    }
    std::cout << ProjectJson(SnapshotProject(*project), project->Tempo().bpm).dump(2) << '\n';
    return 0;
}

} // namespace

Command AddDumpCommand(CLI::App& app) {
    auto file = std::make_shared<std::string>();
    CLI::App* parser = app.add_subcommand(
        "dump", "Print a project as JSON: tempo, song, machines with their parameters, patterns "
                "and sequence, connections and waves");
    parser->add_option("PROJECT", *file, "The project file to read (.tarn)")->required();
    return {parser, [file](CommandConsole&) { return Dump(*file); }};
}

} // namespace tarn
