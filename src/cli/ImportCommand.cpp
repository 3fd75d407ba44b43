#include "base/InputFile.h"
#include "base/MessagePipe.h"
#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/ProjectJson.h"
#include "document/ProjectBuilder.h"
#include "document/ProjectFile.h"
#include "engine/Project.h"
#include "studio/CommandConsole.h"
#include "studio/OutputFile.h"
#include "studio/Studio.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace tarn {
namespace {

struct ImportOptions {
    std::string json;
    std::string output;
    bool force = false;
    bool strict = false;
    bool allowOutside = false;
};

// A song's JSON is parsed whole in memory, at several times its size.
constexpr std::uint64_t kMostJsonBytes = std::uint64_t{256} << 20;

// The library's message without its "[json.exception...] " tag; a parse
// error's message names the line and column.
std::string Reason(const std::exception& failure) {
    const std::string text = failure.what();
    const std::size_t tag = text.rfind("] ", text.find(' '));
    return tag == std::string::npos || text.front() != '[' ? text : text.substr(tag + 2);
}

int Import(CommandConsole& console, const ImportOptions& options) {
    const auto target = CheckProjectOutput(options.output, options.force);
    if (!target) {
        return 1;
    }
    std::string text;
    std::string problem;
    if (!ReadWholeFile(options.json, kMostJsonBytes, "the 256 MiB a song's JSON may hold", text,
                       problem)) {
        ErrorOut() << "error: cannot read '" << options.json << "': " << problem << eol;
        return 1;
    }
    ProjectDocument document;
    try {
        const nlohmann::ordered_json json = nlohmann::ordered_json::parse(text);
        document = DocumentFromJson(json, std::filesystem::path(options.json).parent_path(),
                                    options.allowOutside);
    } catch (const std::exception& failure) {
        ErrorOut() << "error: '" << options.json << "': " << Reason(failure) << eol;
        return 1;
    }
    Studio studio(StudioMachines::kBuiltInAndGear);
    const LoadLines lines(console);
    const std::unique_ptr<Project> project =
        BuildProject(document, studio.Creator(), studio.Engine().Tempo(), options.json);
    if (project == nullptr || StrictRefuses(options.strict, lines, options.json)) {
        return 1;
    }
    if (SaveProject(*project, *target) == 0) {
        return 1;
    }
    console.Say("imported " + options.json + " into " + options.output);
    return 0;
}

} // namespace

Command AddImportCommand(CommandParser& app) {
    auto options = std::make_shared<ImportOptions>();
    CommandParser parser = app.Subcommand(
        "import", "Make a project from the JSON that tarn dump prints (waves from the files that "
                  "dump --waves writes), so that songs can be written and kept as text");
    parser.Option("JSON", options->json, "The JSON file to read").Required();
    parser.Option("-o,--output", options->output, "The project file to write (.tarn)").Required();
    parser.Flag("--force", options->force, "Replace an existing project");
    parser.Flag("--allow-outside", options->allowOutside,
                "Read wave files outside the JSON's folder (absolute paths or through ..)");
    AddStrictOption(parser, options->strict);
    return {parser, [options](CommandConsole& console) { return Import(console, *options); }};
}

} // namespace tarn
