#pragma once

#include "audio/AudioStreamer.h"

#include <filesystem>
#include <string>

namespace tarn {

class CommandConsole;
class Studio;

struct RenderFileRequest {
    std::string shown;            // the output as the user wrote it
    std::filesystem::path target; // checked by CheckRenderOutput
    int sampleFormat = AudioStreamer::kFloat32;
    double beats = 0.0; // see RenderRequest
    bool quiet = false; // no progress line
};

// Renders the studio's current project into a temporary file beside the
// target and renames it over the target once complete: a failed render,
// Ctrl+C or a kill leaves the old file as it was. Says what was written on
// the console. The exit status: 0, 1 after an error line, or 130 when
// interrupted.
int RenderToFile(Studio& studio, CommandConsole& console, const RenderFileRequest& request);

} // namespace tarn
