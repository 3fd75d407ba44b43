#pragma once

#include "base/MessagePipe.h"
#include "engine/PerfTimer.h"

namespace tarn {

// One step of start-up: its label goes to the message pipe before it runs,
// so a log that stops after a label names the step that hung or crashed.
inline void StartUpStep(const char* label) {
    MessageOut() << label << eol;
}

// A step worth timing: the label, the step, then "  <milliseconds> ms".
template <typename Step> void TimedStartUpStep(const char* label, Step step) {
    StartUpStep(label);
    PerfTimer timer;
    timer.Start();
    step();
    timer.Stop();
    MessageOut() << "  " << timer.Elapsed() * 1000.0 << " ms" << eol;
}

} // namespace tarn
