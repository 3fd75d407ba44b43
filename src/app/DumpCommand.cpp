#include "app/Command.h"
#include "app/ProjectJson.h"
#include "app/Studio.h"
#include "engine/Project.h"
#include "formats/ProjectBuilder.h"
#include "formats/ProjectFileReader.h"
#include "formats/ProjectSnapshot.h"

#include <iostream>
#include <memory>
#include <string>

namespace tarn {
namespace {

int Dump(const std::string& file) {
    Studio studio;
    ProjectDocument stored;
    if (ReadProjectFile(file, stored) == 0) {
        return 1;
    }
    const std::unique_ptr<Project> project =
        BuildProject(stored, studio.Creator(), studio.Engine().Tempo(), file);
    if (project == nullptr) {
        return 1;
    }
    ProjectDocument loaded = SnapshotProject(*project);
    // Neither machine-view positions nor waves live in a loaded project yet:
    // what the file holds of them is what the project would show.
    for (MachineDoc& machine : loaded.machines) {
        for (const MachineDoc& saved : stored.machines) {
            if (saved.id == machine.id) {
                machine.x = saved.x;
                machine.y = saved.y;
            }
        }
    }
    loaded.waves = std::move(stored.waves);
    std::cout << ProjectJson(loaded, project->Tempo().bpm).dump(2) << '\n';
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
