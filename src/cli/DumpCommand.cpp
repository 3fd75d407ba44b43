#include "base/MessagePipe.h"
#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/FloatWaveFile.h"
#include "cli/ProjectJson.h"
#include "document/ProjectSnapshot.h"
#include "engine/Project.h"
#include "studio/OutputFile.h"
#include "studio/Studio.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace tarn {
namespace {

struct DumpOptions {
    std::string project;
    std::string waves; // folder for the wave files; none when empty
    bool strict = false;
};

// Each wave as "wave-<index>.wav" in the folder, named in its "file" key as
// the folder was given, so that an import from the same place finds it.
// All of them are written before any replaces its file: a failure leaves
// the folder's earlier waves as they were.
bool WriteWaves(const ProjectDocument& document, const std::string& folder,
                nlohmann::ordered_json& json) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        ErrorOut() << "error: cannot make the folder '" << folder << "': " << error.message()
                   << eol;
        return false;
    }
    std::vector<std::unique_ptr<ReplacingFile>> files;
    for (std::size_t i = 0; i < document.waves.size(); ++i) {
        const WaveDoc& wave = document.waves[i];
        const std::filesystem::path file =
            std::filesystem::path(folder) / ("wave-" + std::to_string(wave.index) + ".wav");
        files.push_back(std::make_unique<ReplacingFile>(file));
        if (!WriteFloatWave(*files.back(), wave)) {
            ReportUnwritten(*files.back(), file.string());
            return false;
        }
        json["waves"][i]["file"] = file.generic_string();
    }
    for (const std::unique_ptr<ReplacingFile>& file : files) {
        if (!file->Commit()) {
            ReportUnwritten(*file, file->Target().string());
            return false;
        }
    }
    return true;
}

int Dump(CommandConsole& console, const DumpOptions& options) {
    Studio studio(StudioMachines::kBuiltInAndGear);
    int warnings = 0;
    const std::unique_ptr<Project> project =
        LoadForCommand(studio, console, options.project, options.strict, warnings);
    if (project == nullptr) {
        return 1;
    }
    const ProjectDocument document = SnapshotProject(*project);
    nlohmann::ordered_json json = ProjectJson(document, *project);
    if (!options.waves.empty() && !WriteWaves(document, options.waves, json)) {
        return 1;
    }
    // Names come from files and machines: bytes that are not UTF-8 are
    // shown as replacement characters rather than refused.
    std::cout << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    ReportLoadWarnings(warnings, options.project);
    return 0;
}

} // namespace

Command AddDumpCommand(CommandParser& app) {
    auto options = std::make_shared<DumpOptions>();
    CommandParser parser = app.Subcommand(
        "dump", "Print a project as JSON: tempo, song, machines with their parameters, patterns "
                "and sequence, connections and waves; tarn import makes it a project again");
    parser.Option("PROJECT", options->project, "The project file to read (.tarn)").Required();
    parser.Option("--waves", options->waves,
                  "Write the wavetable's waves into this folder as WAVE files of 32-bit "
                  "floats, named in the JSON");
    AddStrictOption(parser, options->strict);
    return {parser, [options](CommandConsole& console) { return Dump(console, *options); }};
}

} // namespace tarn
