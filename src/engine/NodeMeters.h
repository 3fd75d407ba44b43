#pragma once

#include <atomic>

namespace tarn {

// What the work cycle measures on a Node for the meters, the node analyzer
// and the CPU monitor. Written by the work cycle with the project lock and
// the Node lock held; read by the windows under the Node lock (levels) or
// the project lock (times).
struct NodeMeters {
    // On while an analyzer window watches the Node: its rings are filled
    // then (the Master's also while the meters are shown, see
    // CoreEngine::ShowMeters). Switched by the GUI thread.
    std::atomic<bool> analyzerOn = false;
    // Largest absolute output sample, falling by 60 dB per second; kept
    // while the meters are shown (CoreEngine::ShowMeters).
    double peakLevel = 0.0;
    // Seconds the machine worked during the last buffer, and that time as
    // a percentage of the buffer's duration.
    double machineTime = 0.0;
    double machineLoad = 0.0;
    // Faults the work cycle of a debug or sanitizer build saw (NodeFault
    // bits), set on the audio thread; the ones ReportNodeFaults has told
    // (GUI side, project lock held).
    std::atomic<unsigned> faults = 0;
    unsigned reportedFaults = 0;
};

} // namespace tarn
