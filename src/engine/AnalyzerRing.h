#pragma once

namespace tarn {

// The latest samples of one channel and their held peak, for the node
// analyzer and the meters. The storage belongs to the channel's buffer set.
// Written by the work cycle and read by the analyzer window, both under the
// Node lock.
struct AnalyzerRing {
    static constexpr int kSize = 2048;
    static constexpr int kMask = kSize - 1;

    double* samples = nullptr; // kSize of them
    int writeIndex = 0;
    double peak = 0.0;
};

} // namespace tarn
