#include "cli/RenderToFile.h"

#include "base/MessagePipe.h"
#include "cli/CommandOptions.h"
#include "cli/InterruptGuard.h"
#include "cli/RenderProgress.h"
#include "studio/CommandConsole.h"
#include "studio/OutputFile.h"
#include "studio/RenderSong.h"

namespace tarn {

int RenderToFile(Studio& studio, CommandConsole& console, const RenderFileRequest& request) {
    ReplacingFile file(request.target);
    if (!file.Ok()) {
        ReportUnwritten(file, request.shown);
        return 1;
    }
    const InterruptGuard guard;
    RenderProgress progress(request.quiet);
    RenderRequest render;
    render.output = file.Temporary();
    render.shown = request.shown;
    render.sampleFormat = request.sampleFormat;
    render.beats = request.beats;
    render.progress = [&progress](double fraction, double beats) {
        progress.Update(fraction, beats);
    };
    render.cancelled = [&guard] { return guard.Interrupted(); };
    const RenderResult result = RenderSong(studio, render);
    progress.Clear();
    if (result.cancelled) {
        ErrorOut() << "error: render interrupted; '" << request.shown << "' was not changed" << eol;
        return kInterruptedStatus;
    }
    if (!result.done) {
        return 1;
    }
    if (!file.Commit()) {
        ReportUnwritten(file, request.shown);
        return 1;
    }
    console.Say(progress.Finish(result, request.shown));
    return 0;
}

} // namespace tarn
