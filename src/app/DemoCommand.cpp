#include "app/Command.h"
#include "app/CommandConsole.h"
#include "app/DemoSong.h"
#include "app/Playback.h"
#include "app/RenderProgress.h"
#include "app/RenderSong.h"
#include "app/Studio.h"
#include "engine/Project.h"
#include "document/ProjectFile.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

namespace tarn {
namespace {

constexpr int kInterruptedStatus = 130;

struct DemoOptions {
    std::string output = "Out/Demo.wav";
    bool noPlay = false;
    std::string backend = "auto";
};

// Saves the demo, loads it back and renders what was loaded, so that the
// file and the recording always agree with `tarn render` of the file.
int Demo(CommandConsole& console, const DemoOptions& options) {
    Studio studio;
    const std::filesystem::path file =
        std::filesystem::path(options.output).replace_extension(".tarn");
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::absolute(file).parent_path(), ignored);
    const std::unique_ptr<Project> built = BuildDemoSong(studio.Creator(), studio.Engine().Tempo());
    if (built == nullptr || SaveProject(*built, file) == 0) {
        return 1;
    }
    std::cout << "saved the demo song to " << file.string() << '\n';
    std::unique_ptr<Project> loaded = studio.LoadProject(file);
    if (loaded == nullptr) {
        return 1;
    }
    studio.SetProject(std::move(loaded));

    RenderProgress progress;
    RenderRequest request;
    request.output = options.output;
    request.progress = [&progress](double fraction) { progress.Update(fraction); };
    const RenderResult result = RenderSong(studio, request);
    if (!result.done) {
        return 1;
    }
    progress.Finish(std::cout, result);
    if (options.noPlay) {
        return 0;
    }

    console.EchoMessages(true);
    PlayRequest play;
    play.backend = options.backend;
    switch (PlaySong(studio, play)) {
    case PlayOutcome::kFinished:
        return 0;
    case PlayOutcome::kInterrupted:
        std::cout << "playback stopped\n";
        return kInterruptedStatus;
    case PlayOutcome::kNoDevice:
        std::cout << "no audio device to play on: listen to " << result.file.string() << '\n';
        return 0;
    case PlayOutcome::kFailed:
        break;
    }
    return 1;
}

} // namespace

Command AddDemoCommand(CLI::App& app) {
    auto options = std::make_shared<DemoOptions>();
    CLI::App* parser = app.add_subcommand(
        "demo", "Build the demo song with the studio's own machines, save it as a project next to "
                "the recording (Out/Demo.tarn), render it (Out/Demo.wav) and play it when there is "
                "an audio device");
    parser->add_option("-o,--output", options->output, "The recording to write (.wav)")
        ->capture_default_str();
    parser->add_flag("--no-play", options->noPlay, "Only save and render");
    AddBackendOption(*parser, options->backend);
    return {parser, [options](CommandConsole& console) { return Demo(console, *options); }};
}

} // namespace tarn
