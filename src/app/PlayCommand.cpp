#include "app/Command.h"
#include "app/CommandConsole.h"
#include "app/Playback.h"
#include "app/Studio.h"
#include "base/MessagePipe.h"
#include "engine/Project.h"

#include <iostream>
#include <memory>
#include <string>

namespace tarn {
namespace {

// The shell's status for a run ended by SIGINT.
constexpr int kInterruptedStatus = 130;

struct PlayOptions {
    std::string project;
    PlayRequest request;
};

int Play(CommandConsole& console, const PlayOptions& options) {
    Studio studio;
    std::unique_ptr<Project> project = studio.LoadProject(options.project);
    if (project == nullptr) {
        return 1;
    }
    studio.SetProject(std::move(project));
    console.EchoMessages(true);
    switch (PlaySong(studio, options.request)) {
    case PlayOutcome::kFinished:
        return 0;
    case PlayOutcome::kInterrupted:
        std::cout << "playback stopped\n";
        return kInterruptedStatus;
    case PlayOutcome::kNoDevice:
        ErrorOut() << "error: no audio output device: there is no sound card and no JACK server "
                      "to play on"
                   << eol;
        return 1;
    case PlayOutcome::kFailed:
        break;
    }
    return 1;
}

} // namespace

// Also used by the demo, which plays after rendering.
void AddBackendOption(CLI::App& parser, std::string& backend) {
    parser
        .add_option("--backend", backend,
                    "Audio output: a running JACK server, else ALSA (auto), or either one")
        ->check(CLI::IsMember({"auto", "alsa", "jack"}))
        ->capture_default_str();
}

Command AddPlayCommand(CLI::App& app) {
    auto options = std::make_shared<PlayOptions>();
    CLI::App* parser = app.add_subcommand(
        "play", "Play a project's song through the audio output until its end; Ctrl+C stops "
                "it (exit status 130)");
    parser->add_option("PROJECT", options->project, "The project file to play (.tarn)")->required();
    parser
        ->add_option("--beats", options->request.beats,
                     "Play this many beats from the song's start instead of the song once")
        ->check(CLI::PositiveNumber);
    parser
        ->add_option("--live", options->request.liveNodes,
                     "Machine ids (as `tarn dump` shows them) that MIDI keyboards play; playback "
                     "then goes on until Ctrl+C")
        ->delimiter(',');
    AddBackendOption(*parser, options->request.backend);
    return {parser, [options](CommandConsole& console) { return Play(console, *options); }};
}

} // namespace tarn
