#include "base/AppDirectory.h"
#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/Playback.h"
#include "cli/RenderToFile.h"
#include "document/ProjectFile.h"
#include "engine/Project.h"
#include "studio/CommandConsole.h"
#include "studio/DemoSong.h"
#include "studio/OutputFile.h"
#include "studio/Studio.h"

#include <filesystem>
#include <memory>
#include <string>

namespace tarn {
namespace {

constexpr const char* kDefaultOutput = "Out/Demo.wav";

struct DemoOptions {
    std::string output; // in the application directory's "Out" when empty
    bool noPlay = false;
    bool force = false;
    bool quiet = false;
    std::string backend = "auto";
};

// Saves the demo, loads it back and renders what was loaded, so that the
// file and the recording always agree with `tarn render` of the file.
int Demo(CommandConsole& console, const DemoOptions& options) {
    const std::string output =
        options.output.empty() ? AppPath(kDefaultOutput).string() : options.output;
    const std::string shownProject =
        std::filesystem::path(output).replace_extension(".tarn").string();
    const auto file = CheckProjectOutput(shownProject, options.force);
    if (!file) {
        return 1;
    }
    const auto target = CheckRenderOutput(output, *file, options.force);
    if (!target) {
        return 1;
    }
    Studio studio(StudioMachines::kBuiltInAndGear);
    std::error_code ignored;
    std::filesystem::create_directories(file->parent_path(), ignored);
    const std::unique_ptr<Project> built = BuildDemoSong(studio.Creator(), studio.Engine().Tempo());
    if (built == nullptr || SaveProject(*built, *file) == 0) {
        return 1;
    }
    console.Say("saved the demo song to " + shownProject);
    std::unique_ptr<Project> loaded = studio.LoadProject(*file);
    if (loaded == nullptr) {
        return 1;
    }
    studio.SetProject(std::move(loaded));

    RenderFileRequest request;
    request.shown = output;
    request.target = *target;
    request.quiet = options.quiet;
    const int rendered = RenderToFile(studio, console, request);
    if (rendered != 0 || options.noPlay) {
        return rendered;
    }

    console.EchoMessages(true);
    PlayRequest play;
    play.backend = options.backend;
    play.quiet = options.quiet;
    switch (PlaySong(studio, play)) {
    case PlayOutcome::kFinished:
        return 0;
    case PlayOutcome::kInterrupted:
        console.Say("playback stopped");
        return kInterruptedStatus;
    case PlayOutcome::kNoDevice:
        console.Say("no audio device to play on: listen to " + output);
        return 0;
    case PlayOutcome::kFailed:
        break;
    }
    return 1;
}

} // namespace

Command AddDemoCommand(CommandParser& app) {
    auto options = std::make_shared<DemoOptions>();
    CommandParser parser = app.Subcommand(
        "demo", "Build the demo song with the studio's own machines, save it as a project next to "
                "the recording (Out/Demo.tarn), render it (Out/Demo.wav) and play it when there is "
                "an audio device");
    parser.Option("-o,--output", options->output,
                  "The recording to write (.wav); Out/Demo.wav in the application "
                  "directory by default");
    parser.Flag("--no-play", options->noPlay, "Only save and render");
    parser.Flag("--force", options->force, "Replace an existing project of that name");
    parser.Flag("-q,--quiet", options->quiet, "Show no progress or position line");
    AddBackendOption(parser, options->backend);
    return {parser, [options](CommandConsole& console) { return Demo(console, *options); }};
}

} // namespace tarn
