#pragma once

#include <array>
#include <complex>

namespace tarn {

struct AnalyzerRing;

// The node analyzer's view of one analyzer ring: the latest 2048 samples,
// oldest first, under a 2048-point Blackman window, transformed by a
// radix-2 FFT, as levels in decibels per bin, and the analyzer's axes: a
// logarithmic frequency axis from one bin (21.5 Hz) to 22 028 Hz, levels
// from -90 dB (bottom) to +10 dB (top). The buffers are sized once; GUI
// thread.
class AnalyzerSpectrum {
public:
    static constexpr int kSize = 2048;
    static constexpr int kBins = kSize / 2; // levels of bins 1 .. kBins - 1
    static constexpr double kSampleRate = 44100.0;
    static constexpr double kBinHz = kSampleRate / kSize;
    static constexpr double kTopHz = 22028.467;
    static constexpr double kFloorDb = -90.0;
    // The level of a bin holding nothing at all.
    static constexpr double kSilentDb = -200.0;

    AnalyzerSpectrum();

    // Copies the ring, windowed. The caller holds the lock the ring's
    // writer takes (the Node lock).
    void Take(const AnalyzerRing& ring);
    // Transforms what was taken; Level(k) then holds bin k.
    void Transform();
    double Level(int bin) const { return levels_[static_cast<std::size_t>(bin)]; }

    // Where a frequency sits across a width, and a level up a height
    // (measured from the top, as the screen counts).
    static double AxisX(double hz, double width);
    static double AxisY(double decibels, double height);

private:
    std::array<float, kSize> window_;
    std::array<std::complex<float>, kSize> data_;
    std::array<double, kBins> levels_{};
};

} // namespace tarn
