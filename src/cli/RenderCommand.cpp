#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/RenderToFile.h"
#include "engine/Project.h"
#include "studio/OutputFile.h"
#include "studio/Studio.h"

#include <memory>
#include <string>

namespace tarn {
namespace {

struct RenderOptions {
    std::string project;
    std::string output;
    double beats = 0.0;
    int bits = 32;
    bool force = false;
    bool strict = false;
    bool quiet = false;
};

int Render(CommandConsole& console, const RenderOptions& options) {
    const auto target = CheckRenderOutput(options.output, options.project, options.force);
    if (!target) {
        return 1;
    }
    Studio studio(StudioMachines::kBuiltInAndGear);
    int warnings = 0;
    std::unique_ptr<Project> project =
        LoadForCommand(studio, console, options.project, options.strict, warnings);
    if (project == nullptr) {
        return 1;
    }
    studio.SetProject(std::move(project));
    RenderFileRequest request;
    request.shown = options.output;
    request.target = *target;
    request.sampleFormat = options.bits == 64 ? AudioStreamer::kFloat64 : AudioStreamer::kFloat32;
    request.beats = options.beats;
    request.quiet = options.quiet;
    const int status = RenderToFile(studio, console, request);
    ReportLoadWarnings(warnings, options.project);
    return status;
}

} // namespace

Command AddRenderCommand(CommandParser& app) {
    auto options = std::make_shared<RenderOptions>();
    CommandParser parser = app.Subcommand(
        "render", "Render a project's song offline into a WAVE file of 32-bit or 64-bit floats "
                  "(raw samples for a name ending in .raw); the same project always gives the "
                  "same file. An existing output is replaced only once the render is complete");
    parser.Option("PROJECT", options->project, "The project file to render (.tarn)").Required();
    parser.Option("-o,--output", options->output, "The file to write (.wav or .raw)").Required();
    AddBeatsOption(parser, options->beats,
                   "Render this many beats from the song's start instead of the song once");
    parser.Option("--bits", options->bits, "Bits per sample").ShowDefault().OneOf({"32", "64"});
    parser.Flag("--force", options->force,
                "Replace an existing output even if it is not a sound file the studio wrote");
    AddLoadOptions(parser, options->strict, options->quiet);
    return {parser, [options](CommandConsole& console) { return Render(console, *options); }};
}

} // namespace tarn
