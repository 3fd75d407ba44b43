#include "app/Command.h"
#include "app/RenderProgress.h"
#include "app/RenderSong.h"
#include "app/Studio.h"
#include "engine/Project.h"

#include <iostream>
#include <memory>
#include <string>

namespace tarn {
namespace {

struct RenderOptions {
    std::string project;
    std::string output;
    double beats = 0.0;
    int bits = 32;
};

int Render(const RenderOptions& options) {
    Studio studio;
    std::unique_ptr<Project> project = studio.LoadProject(options.project);
    if (project == nullptr) {
        return 1;
    }
    studio.SetProject(std::move(project));
    RenderProgress progress;
    RenderRequest request;
    request.output = options.output;
    request.sampleFormat = options.bits == 64 ? AudioStreamer::kFloat64 : AudioStreamer::kFloat32;
    request.beats = options.beats;
    request.progress = [&progress](double fraction) { progress.Update(fraction); };
    const RenderResult result = RenderSong(studio, request);
    if (!result.done) {
        return 1;
    }
    progress.Finish(std::cout, result);
    return 0;
}

} // namespace

Command AddRenderCommand(CLI::App& app) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* parser = app.add_subcommand(
        "render", "Render a project's song offline into a WAVE file of 32-bit or 64-bit floats "
                  "(raw samples for a name ending in .raw); the same project always gives the "
                  "same file");
    parser->add_option("PROJECT", options->project, "The project file to render (.tarn)")
        ->required();
    parser->add_option("-o,--output", options->output, "The file to write (.wav or .raw)")
        ->required();
    parser
        ->add_option("--beats", options->beats,
                     "Render this many beats from the song's start instead of the song once")
        ->check(CLI::PositiveNumber);
    parser->add_option("--bits", options->bits, "Bits per sample")
        ->capture_default_str()
        ->check(CLI::IsMember({32, 64}));
    return {parser, [options](CommandConsole&) { return Render(*options); }};
}

} // namespace tarn
