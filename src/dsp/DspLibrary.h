#pragma once

#include "dsp/CycleTable.h"
#include "dsp/WaveSet.h"

#include <array>
#include <cstdint>
#include <memory>

namespace tarn {

// The rate start-up initialises the library for.
inline constexpr double kDspSampleRate = 44100.0;

inline constexpr int kNoteTableSize = 129;   // note indices 0..128
inline constexpr int kFinePitchSteps = 1024; // steps per semitone
inline constexpr int kCurveLength = 1024;    // envelope curve positions
inline constexpr int kGuardNoiseCount = 32;  // a power of two: counters wrap by masking
// Band-limited waves hold no harmonic at or above this frequency.
inline constexpr double kHarmonicLimitHz = 20000.0;

enum WaveKind : int {
    kWaveBrightRamp = 1, // ramp with 2/(n+1) roll-off
    kWaveSawtooth = 2,
    kWaveSquare = 3,
    kWaveTriangle = 4, // odd harmonics, 1/n², all in phase
    kWaveSine = 5,
    kWaveReversedSawtooth = 6,
    kWaveInvertedSine = 7,
};
inline constexpr int kWaveKindCount = 7;

// The kinds a machine's "Waveform" parameter picks, in the order of its
// names: Saw, Square, Sin, Triangle, Analog Saw.
inline constexpr std::array<int, 5> kWaveformKinds{kWaveSawtooth, kWaveSquare, kWaveSine,
                                                   kWaveTriangle, kWaveBrightRamp};

enum LfoShape : int { kLfoSine = 0, kLfoRampUp = 1, kLfoTriangle = 2, kLfoSquare = 3 };
inline constexpr int kLfoShapeCount = 4;

namespace detail {

// The library's global tables. Written only by InitializeDspLibrary and
// ReleaseDspLibrary, on the start-up thread before any machine exists or
// after the last one is gone; everything else only reads them, without a
// lock. Before initialisation and after release every wave record points
// at silence, so a stray read never touches freed memory.
struct DspTables {
    double sampleRate = 0.0;
    std::array<double, kNoteTableSize> noteFrequency{};  // Hz
    std::array<double, kFinePitchSteps + 1> finePitch{}; // frequency ratios
    std::array<double, kCurveLength + 1> fallingCurve{};
    std::array<double, kCurveLength + 1> risingCurve{};
    std::array<double, kGuardNoiseCount> guardNoise{};
    std::array<WaveSet, kWaveKindCount> waveSets;
    std::array<CycleTable, kLfoShapeCount> lfoShapes{SilentLfo(), SilentLfo(), SilentLfo(),
                                                     SilentLfo()};
    // Samples of every wave set and LFO shape; every one of them is written
    // by the build, so none is cleared first.
    std::unique_ptr<double[]> storage;
};

extern DspTables dspTables;

} // namespace detail

// Builds every table for the sample rate; 1 on success. A rate that is not
// a positive number gives 0 and one error line. Initialising again rebuilds
// the tables, so it must not happen while machines hold table records.
int InitializeDspLibrary(double sampleRate);
// Frees the wave sets and LFO shapes; records handed out before now point
// at freed memory, so no machine may outlive this.
void ReleaseDspLibrary();

// The rate given to the last initialisation, 0 before it.
inline double DspSampleRate() noexcept {
    return detail::dspTables.sampleRate;
}

// Hz of note index 0..128 in semitones; 0 is a C at 16.3516 Hz, 57 is 440 Hz.
inline double NoteFrequency(int note) noexcept {
    return detail::dspTables.noteFrequency[note];
}

// Frequency ratio of step 0..1024 within one semitone: 2^(step / 12288).
inline double FinePitch(int step) noexcept {
    return detail::dspTables.finePitch[step];
}

// Envelope curves over positions 0..1024, read with Interpolate: the falling
// curve decays from 1 to about 0.001 and ends on 0, the rising curve is its
// mirror image and ends on 1.
inline const double* FallingCurve() noexcept {
    return detail::dspTables.fallingCurve.data();
}
inline const double* RisingCurve() noexcept {
    return detail::dspTables.risingCurve.data();
}

// The denormal guard value for a running counter: tiny noise (about 1e-50)
// added to recursive filter inputs so that silence never decays into
// denormal numbers.
inline double GuardNoise(std::uint32_t counter) noexcept {
    return detail::dspTables.guardNoise[counter & (kGuardNoiseCount - 1)];
}

// The wave set of a kind 1..7, or null for any other kind.
const WaveSet* WaveSetFor(int kind) noexcept;
// The table of a kind and note index (see WaveSet::ForNote), or null for an
// unknown kind.
const CycleTable* CycleTableFor(int kind, int note) noexcept;
// The table of an LFO shape 0..3, or null for any other shape.
const CycleTable* LfoTable(int shape) noexcept;

} // namespace tarn
