#pragma once

#include <filesystem>

class QWidget;

namespace tarn {

class Studio;
class StudioAudio;

// Renders the current project's song into a sound file on a worker thread,
// behind a progress dialog with Cancel, so the window stays live. The
// worker takes the project lock per chunk; the live audio is paused
// meanwhile, since only one thread may drive the engine. The file is
// written aside and replaces the target only once complete: a cancelled
// or failed render leaves the old file as it was. GUI thread.
class WaveRender {
public:
    WaveRender(Studio& studio, StudioAudio& audio, QWidget* parent)
        : studio_(studio), audio_(audio), parent_(parent) {}

    // True when target was written; false after a line saying why (also
    // when the user cancelled).
    bool Run(const std::filesystem::path& target);

private:
    Studio& studio_;
    StudioAudio& audio_;
    QWidget* parent_;
};

} // namespace tarn
