#include "machines/builtin/synth/SubtractiveSynthRows.h"

#include <cstdio>

namespace tarn {
namespace {

double Cube(double v) noexcept {
    return v * v * v;
}

// 64 bits wide, so that an offset from the far end of the int range is
// still a number.
int WriteWhole(char* text, long long value, const char* unit) noexcept {
    if (text == nullptr) {
        return 0;
    }
    std::snprintf(text, kValueTextSize, "%lld%s", value, unit);
    return 1;
}

int WriteName(char* text, const char* name) noexcept {
    if (text == nullptr) {
        return 0;
    }
    std::snprintf(text, kValueTextSize, "%s", name);
    return 1;
}

} // namespace

int FormatSynthTime(char* text, double v) noexcept {
    return WriteValueText(text, Cube(v) * 10000.0, 3, "ms");
}

int FormatLfoSpeed(char* text, double v) noexcept {
    return WriteValueText(text, SlowRateHz(v), 3, " hz");
}

int FormatSustainLevel(char* text, double v) noexcept {
    return FormatDecibels(text, v, "db");
}

int FormatOctaveOffset(char* text, double v) noexcept {
    return WriteWhole(text, TruncateValue(v) - 4LL, "");
}

int FormatSemiOffset(char* text, double v) noexcept {
    return WriteWhole(text, TruncateValue(v) - 12LL, "");
}

int FormatDetuneCents(char* text, double v) noexcept {
    return WriteWhole(text, TruncateValue(v) - 50LL, " cents");
}

int FormatPitchRange(char* text, double v) noexcept {
    if (text == nullptr) {
        return 0;
    }
    std::snprintf(text, kValueTextSize, "+/- %.2f oct", Cube(v) * 4.0);
    return 1;
}

int FormatGlideMs(char* text, double v) noexcept {
    return WriteValueText(text, v, 2, "ms");
}

int FormatSyncRate(char* text, double v) noexcept {
    const int rate = TruncateValue(v);
    if (rate <= 0) {
        return WriteName(text, "off");
    }
    if (text == nullptr) {
        return 0;
    }
    std::snprintf(text, kValueTextSize, "%d/%d beat(s)", SubtractiveSynth::SyncNumerator(rate),
                  SubtractiveSynth::SyncDenominator(rate));
    return 1;
}

int FormatQuality(char* text, double v) noexcept {
    switch (TruncateValue(v)) {
    case 0:
        return WriteName(text, "Medium");
    case 10:
        return WriteName(text, "High");
    case 20:
        return WriteName(text, "Perfect");
    default:
        return WriteWhole(text, TruncateValue(v), "");
    }
}

int FormatPercent(char* text, double v) noexcept {
    return FormatProportion(text, v);
}

} // namespace tarn
