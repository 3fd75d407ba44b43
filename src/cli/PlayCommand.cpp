#include "base/MessagePipe.h"
#include "cli/Command.h"
#include "cli/CommandOptions.h"
#include "cli/Playback.h"
#include "engine/Project.h"
#include "studio/CommandConsole.h"
#include "studio/Studio.h"

#include <memory>
#include <string>

namespace tarn {
namespace {

struct PlayOptions {
    std::string project;
    PlayRequest request;
    std::string latency = "safe";
    std::string transport = "follow";
    bool strict = false;
};

int Play(CommandConsole& console, const PlayOptions& options) {
    Studio studio(StudioMachines::kBuiltInAndGear);
    int warnings = 0;
    std::unique_ptr<Project> project =
        LoadForCommand(studio, console, options.project, options.strict, warnings);
    if (project == nullptr) {
        return 1;
    }
    studio.SetProject(std::move(project));
    console.EchoMessages(true);
    PlayRequest request = options.request;
    request.latency = ParseLatencyMode(options.latency).value_or(LatencyMode::kSafe);
    request.transport = ParseTransportMode(options.transport).value_or(TransportMode::kFollow);
    int status = 1;
    switch (PlaySong(studio, request)) {
    case PlayOutcome::kFinished:
        status = 0;
        break;
    case PlayOutcome::kInterrupted:
        console.Say("playback stopped");
        status = kInterruptedStatus;
        break;
    case PlayOutcome::kNoDevice:
        ErrorOut() << "error: no audio output device: there is no sound card and no JACK server "
                      "to play on"
                   << eol;
        break;
    case PlayOutcome::kFailed:
        break;
    }
    ReportLoadWarnings(warnings, options.project);
    return status;
}

} // namespace

Command AddPlayCommand(CommandParser& app) {
    auto options = std::make_shared<PlayOptions>();
    CommandParser parser = app.Subcommand(
        "play", "Play a project's song through the audio output until its end; Ctrl+C stops "
                "it (exit status 130)");
    parser.Option("PROJECT", options->project, "The project file to play (.tarn)").Required();
    AddBeatsOption(parser, options->request.beats,
                   "Play this many beats from the song's start instead of the song once");
    parser
        .Option("--live", options->request.liveNodes,
                "Machine ids (as `tarn dump` shows them) that MIDI keyboards play; playback "
                "then goes on until Ctrl+C")
        .SplitAt(',');
    AddBackendOption(parser, options->request.backend);
    parser
        .Option("--latency", options->latency,
                "safe: render about 180 ms ahead; low: render in step with a JACK "
                "server's period, at most three periods ahead")
        .OneOf({"safe", "low"})
        .ShowDefault();
    parser
        .Option("--transport", options->transport,
                "With JACK, follow: the JACK transport starts, stops and moves the song, and the "
                "song starts and stops it (a stop pauses the song until it rolls again); lead: "
                "the same, and the studio publishes bar, beat and tempo as the timebase master; "
                "off: the transport is ignored")
        .OneOf({"off", "follow", "lead"})
        .ShowDefault();
    AddLoadOptions(parser, options->strict, options->request.quiet);
    return {parser, [options](CommandConsole& console) { return Play(console, *options); }};
}

} // namespace tarn
