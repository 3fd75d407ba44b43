#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarn {

// How parameter values read as text. Every built-in machine formats its
// values with these helpers, so that machines of one kind read alike; the
// Node uses FormatByParameterType when a machine writes no text itself.
//
// Every writer takes a text buffer of kValueTextSize bytes, writes a
// zero-terminated text that never exceeds it (longer texts are cut) and
// answers 1 when it wrote. Unit texts are copied as they are, never read as
// formats, so any spelling a machine likes is safe ("db", " dB", "%").
// All of them may be called from any thread; they allocate nothing.

// Size of a value text buffer, terminating zero included.
inline constexpr std::size_t kValueTextSize = 256;

// Name lists of the enumerations, entry 0 first.
inline constexpr std::array<const char*, 5> kWaveFormNames{"Saw", "Square", "Sin", "Triangle",
                                                           "Analog Saw"};
inline constexpr std::array<const char*, 4> kFilterTypeNames{"Lowpass", "Highpass", "Bandpass",
                                                             "Bandreject"};
inline constexpr std::array<const char*, 3> kFilterSlopeNames{"12dB", "24dB", "36dB"};
inline constexpr std::array<const char*, 3> kQualityNames{"Perfect", "High", "Medium"};
inline constexpr std::array<const char*, 2> kNoiseColourNames{"White", "Pink"};
inline constexpr std::array<const char*, 3> kVoiceModeNames{"Mono AG", "Mono", "Poly"};

// The whole-number reading of a stored value, as integer parameters and
// enumerations read it: truncated toward zero. NaN reads as 0 and values
// beyond the 32-bit range as its nearest end.
std::int32_t TruncateValue(double value) noexcept;

// Conversions of a stored value v (usually 0..1) to what the user reads.
inline double CubicTimeMs(double v) noexcept {
    return v * v * v * 5000.0;
}
inline double FlooredTimeMs(double v) noexcept {
    return (v * v * v * 0.999 + 0.001) * 5000.0;
}
inline double CubicFrequencyHz(double v) noexcept {
    return v * v * v * 20000.0 + 10.0;
}
double ExponentialFrequencyHz(double v) noexcept;
inline double SlowRateHz(double v) noexcept {
    return v * v * v * 10.0;
}
inline double CompressionRatio(double v) noexcept {
    return (v * v * v * 0.975 + 0.025) * 40.0;
}

// number with the given decimals, followed by unit.
int WriteValueText(char* text, double number, int decimals, const char* unit) noexcept;

// Envelope, glide and similar times: "625.00 ms".
int FormatCubicTime(char* text, double v) noexcept;
// Times that never reach 0: "5.000ms".
int FormatFlooredTime(char* text, double v) noexcept;
// Levels whose range is already in decibels: "-6.00 db".
int FormatDecibels(char* text, double v, const char* unit = " db") noexcept;
// Proportions of 0..1 as percent: "25.00%".
int FormatProportion(char* text, double v, const char* unit = "%") noexcept;
// Dry and wet percentages of a wet amount v: "75/25".
int FormatDryWet(char* text, double v) noexcept;
int FormatCubicFrequency(char* text, double v, const char* unit = " hz") noexcept;
int FormatExponentialFrequency(char* text, double v) noexcept;
int FormatSlowRate(char* text, double v) noexcept;
// Compression ratios: "40.000:1".
int FormatRatio(char* text, double v) noexcept;
// Tempo-synchronised lengths stored in beats: "0.250 beats".
int FormatBeats(char* text, double v) noexcept;
// Bandwidths stored in octaves: "1.00 octves".
int FormatOctaves(char* text, double v) noexcept;

// The name that v, truncated, picks from names. A value outside the list
// writes an empty text, so the caller never shows what the buffer held
// before, and answers 0; machines that still claim the text return 1.
int FormatEnumeration(char* text, double v, std::span<const char* const> names) noexcept;

// The host's own format for a parameter of the given type: real (1) with
// two decimals, integer, bit set, note and switch (2 to 5) as the truncated
// whole number. Any other type writes nothing and answers 0.
int FormatByParameterType(std::int32_t type, double value, char* text) noexcept;

} // namespace tarn
