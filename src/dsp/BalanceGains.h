#pragma once

#include <algorithm>

namespace tarn {

// A balance control over two channels, position -1 (left) .. 1 (right):
// the side the position leans away from fades linearly, the other stays at
// full level, so the centre plays both at 1.0.
struct BalanceGains {
    double left = 1.0;
    double right = 1.0;

    static BalanceGains At(double position) noexcept {
        const double p = std::clamp(position, -1.0, 1.0);
        return p >= 0.0 ? BalanceGains{1.0 - p, 1.0} : BalanceGains{1.0, 1.0 + p};
    }
};

} // namespace tarn
