#include "dsp/DampedComb.h"

#include <algorithm>

namespace tarn {

void DampedComb::Allocate(int length) {
    length_ = std::max(length, 1);
    line_.assign(static_cast<std::size_t>(length_), 0.0);
    index_ = 0;
    store_ = 0.0;
}

void DampedComb::Clear() noexcept {
    std::fill(line_.begin(), line_.end(), 0.0);
    index_ = 0;
    store_ = 0.0;
}

// The state and settings live in locals for the loop: with every sample
// written through a line, members would have to be reloaded (the lines'
// doubles might alias them), and one comb alone would wait on its own
// store from sample to sample.
template <int N, bool kSwaying>
void DampedComb::AccumulateGroup(DampedComb* combs, const double* input, double* sum,
                                 int frames) noexcept {
    double* line[N];
    int length[N];
    int index[N];
    double store[N];
    double keep[N];
    double take[N];
    double loop[N];
    double depth[N];
    TableLfo sway[N];
    for (int c = 0; c < N; ++c) {
        const DampedComb& comb = combs[c];
        line[c] = combs[c].line_.data();
        length[c] = comb.length_;
        index[c] = comb.index_;
        store[c] = comb.store_;
        keep[c] = comb.keep_;
        take[c] = comb.take_;
        loop[c] = comb.feedback;
        depth[c] = comb.swayDepth;
        sway[c] = comb.sway;
    }
    for (int i = 0; i < frames; ++i) {
        const double x = input[i];
        double total = sum[i];
        for (int c = 0; c < N; ++c) {
            double out;
            if constexpr (kSwaying) {
                const double shorten = (sway[c].Tick() + 1.0) * depth[c];
                const int whole = static_cast<int>(shorten);
                const double fraction = shorten - whole;
                int a = index[c] + whole;
                if (a >= length[c]) {
                    a -= length[c];
                }
                const int b = a + 1 == length[c] ? 0 : a + 1;
                out = line[c][a] + fraction * (line[c][b] - line[c][a]);
            } else {
                out = line[c][index[c]];
            }
            store[c] = out * take[c] + store[c] * keep[c];
            line[c][index[c]] = x + store[c] * loop[c];
            if (++index[c] == length[c]) {
                index[c] = 0;
            }
            total += out;
        }
        sum[i] = total;
    }
    for (int c = 0; c < N; ++c) {
        combs[c].index_ = index[c];
        combs[c].store_ = store[c];
        combs[c].sway = sway[c];
    }
}

template <bool kSwaying>
void DampedComb::AccumulateEach(std::span<DampedComb> combs, const double* input, double* sum,
                                int frames) noexcept {
    constexpr int kGroup = 4;
    std::size_t k = 0;
    for (; k + kGroup <= combs.size(); k += kGroup) {
        AccumulateGroup<kGroup, kSwaying>(&combs[k], input, sum, frames);
    }
    for (; k < combs.size(); ++k) {
        AccumulateGroup<1, kSwaying>(&combs[k], input, sum, frames);
    }
}

void DampedComb::AccumulateAll(std::span<DampedComb> combs, const double* input, double* sum,
                               int frames) noexcept {
    AccumulateEach<false>(combs, input, sum, frames);
}

void DampedComb::AccumulateAllSwaying(std::span<DampedComb> combs, const double* input, double* sum,
                                      int frames) noexcept {
    AccumulateEach<true>(combs, input, sum, frames);
}

} // namespace tarn
