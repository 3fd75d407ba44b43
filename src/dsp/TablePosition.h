#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#else
#include <cmath>
#endif

namespace tarn {

// A reading position split into a table index and the fraction between that
// entry and the next. Every table reader of the DSP library splits positions
// this way so that machines and library objects agree to the last bit.
struct TablePosition {
    int index;
    double fraction; // 0 <= fraction < 1 for finite positions
};

// The integer nearest to x, ties to even (the processor's default rounding).
// NaN and values outside the int range give INT_MIN on x86 instead of
// undefined behaviour.
inline int RoundToNearest(double x) noexcept {
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(x));
#else
    return static_cast<int>(std::lrint(x));
#endif
}

// index = the integer nearest to x - 0.5. An integral x rounds down to
// x - 1 with a fraction of exactly 1.0 when x - 0.5 ties towards the even
// neighbour below; that case is moved to (x, 0) so the entry is read
// exactly, never as a blend that touches the next one.
inline TablePosition SplitPosition(double x) noexcept {
    TablePosition position{RoundToNearest(x - 0.5), 0.0};
    position.fraction = x - position.index;
    if (position.fraction == 1.0) {
        ++position.index;
        position.fraction = 0.0;
    }
    return position;
}

// Linear interpolation between entry i and i + 1. The caller guarantees
// that i + 1 is inside the table, which the guard entries at the end of
// every library table provide for positions below the period length.
inline double Interpolate(const double* table, double x) noexcept {
    const TablePosition p = SplitPosition(x);
    return (1.0 - p.fraction) * table[p.index] + p.fraction * table[p.index + 1];
}

} // namespace tarn
