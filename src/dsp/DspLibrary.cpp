#include "dsp/DspLibrary.h"

#include "base/ClassicRandom.h"
#include "base/MessagePipe.h"
#include "dsp/WaveSetBuilder.h"

#include <cmath>
#include <numbers>

namespace tarn {

namespace detail {
DspTables dspTables;
} // namespace detail

namespace {

// Exponent of the envelope curves: e^K ≈ 0.00101, so both curves span about
// 60 dB before their last entry.
constexpr double kCurveExponent = -200.0 / 29.0;
constexpr std::uint32_t kGuardNoiseSeed = 45;
constexpr double kGuardNoiseScale = 1e-50;
constexpr double kLowestNoteBase = 13.75; // Hz, three semitones below note 0

constexpr std::size_t kLfoStorageSize = static_cast<std::size_t>(kLfoShapeCount) * kLfoSampleCount;

void BuildNoteFrequencies(detail::DspTables& tables) {
    // Repeated multiplication rather than pow(): every note sits exactly one
    // ratio above the one below it.
    const double semitone = std::pow(2.0, 1.0 / 12.0);
    double frequency = kLowestNoteBase * (semitone * semitone * semitone);
    for (double& entry : tables.noteFrequency) {
        entry = frequency;
        frequency *= semitone;
    }
}

void BuildFinePitch(detail::DspTables& tables) {
    for (int i = 0; i <= kFinePitchSteps; ++i) {
        tables.finePitch[i] = std::pow(2.0, i / (12.0 * kFinePitchSteps));
    }
}

void BuildCurves(detail::DspTables& tables) {
    for (int i = 0; i < kCurveLength; ++i) {
        tables.fallingCurve[i] = std::exp(kCurveExponent * i / kCurveLength);
        tables.risingCurve[i] = std::exp(kCurveExponent * (kCurveLength - i) / kCurveLength);
    }
    // The last entries land the curves on their end values exactly.
    tables.fallingCurve[kCurveLength] = 0.0;
    tables.risingCurve[kCurveLength] = 1.0;
}

void BuildGuardNoise(detail::DspTables& tables) {
    ClassicRandom random(kGuardNoiseSeed);
    for (double& entry : tables.guardNoise) {
        entry =
            (static_cast<double>(random.Next()) / ClassicRandom::kRange - 0.5) * kGuardNoiseScale;
    }
}

double LfoSample(int shape, int i) {
    constexpr int kHalfPeriod = kLfoPeriod / 2;
    switch (shape) {
    case kLfoSine:
        return std::sin(2.0 * std::numbers::pi * i / kLfoPeriod);
    case kLfoRampUp:
        return static_cast<double>(i) / kLfoPeriod * 2.0 - 1.0;
    case kLfoTriangle:
        return i < kHalfPeriod ? static_cast<double>(i) / kHalfPeriod * 2.0 - 1.0
                               : static_cast<double>(kLfoPeriod - i) / kHalfPeriod * 2.0 - 1.0;
    default: // kLfoSquare
        return i < kHalfPeriod ? -1.0 : 1.0;
    }
}

// The guard sample: the sine and triangle wrap back to their start, the
// ramp ends on its top and the square restarts low.
double LfoGuard(int shape, const double* samples) {
    switch (shape) {
    case kLfoSine:
        return samples[0];
    case kLfoRampUp:
        return 1.0;
    default: // kLfoTriangle, kLfoSquare
        return -1.0;
    }
}

void BuildLfoShapes(detail::DspTables& tables, double* storage) {
    for (int shape = 0; shape < kLfoShapeCount; ++shape) {
        double* samples = storage + static_cast<std::size_t>(shape) * kLfoSampleCount;
        for (int i = 0; i < kLfoPeriod; ++i) {
            samples[i] = LfoSample(shape, i);
        }
        samples[kLfoPeriod] = LfoGuard(shape, samples);
        tables.lfoShapes[shape] = {samples, kLfoPeriod, kLfoSampleCount};
    }
}

} // namespace

int InitializeDspLibrary(double sampleRate) {
    if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) {
        ErrorOut() << "error: DSP library: invalid sample rate " << sampleRate << eol;
        return 0;
    }
    ReleaseDspLibrary();
    detail::DspTables& tables = detail::dspTables;
    tables.sampleRate = sampleRate;
    BuildNoteFrequencies(tables);
    BuildFinePitch(tables);
    BuildCurves(tables);
    BuildGuardNoise(tables);
    tables.storage =
        std::make_unique_for_overwrite<double[]>(WaveSetBuilder::kStorageSize + kLfoStorageSize);
    WaveSetBuilder(tables.noteFrequency.data()).Build(tables.storage.get(), tables.waveSets);
    BuildLfoShapes(tables, tables.storage.get() + WaveSetBuilder::kStorageSize);
    return 1;
}

void ReleaseDspLibrary() {
    detail::dspTables = detail::DspTables{};
}

const WaveSet* WaveSetFor(int kind) noexcept {
    if (kind < 1 || kind > kWaveKindCount) {
        return nullptr;
    }
    return &detail::dspTables.waveSets[kind - 1];
}

const CycleTable* CycleTableFor(int kind, int note) noexcept {
    const WaveSet* set = WaveSetFor(kind);
    return set != nullptr ? &set->ForNote(note) : nullptr;
}

const CycleTable* LfoTable(int shape) noexcept {
    if (shape < 0 || shape >= kLfoShapeCount) {
        return nullptr;
    }
    return &detail::dspTables.lfoShapes[shape];
}

} // namespace tarn
