#pragma once

namespace tarn {

// Where the last buffer's time went, for the CPU monitor: in seconds and in
// percent of the buffer's duration. Written by the work cycle at the end of
// every buffer; read under the project lock.
struct CpuStatistics {
    struct Share {
        double seconds = 0.0;
        double percent = 0.0;
    };

    Share machines; // every machine's Work
    Share other;    // the whole cycle less the machines
    Share mixing;   // input mixing
    Share events;   // collecting and handing out events
    Share output;   // bypass, mute, solo, output stage, analyzer, meters
};

} // namespace tarn
