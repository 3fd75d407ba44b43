#include "dsp/LadderFilter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarn {
namespace {

TEST(LadderFilter, BlownUpStateIsClearedAndRecovers) {
    for (double wild : {150.0, -150.0, std::nan(""), HUGE_VAL}) {
        SCOPED_TRACE(wild);
        LadderFilter filter;
        filter.Tune(1000.0, 0.5, 88200.0);
        filter.stage = {0.0, 0.0, 0.0, wild};
        EXPECT_EQ(filter.Pass(0.5), 0.0);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(filter.stage[i], 0.0);
            EXPECT_EQ(filter.previous[i], 0.0);
        }
        const double next = filter.Pass(0.5);
        EXPECT_TRUE(std::isfinite(next));
        EXPECT_GT(next, 0.0);
        EXPECT_LT(next, 0.1);
    }

    // A state decayed into denormals is cleared as well.
    LadderFilter filter;
    filter.Tune(1000.0, 0.0, 88200.0);
    filter.stage = {0.0, 0.0, 0.0, 1e-310};
    filter.previous = {0.0, 0.0, 1e-310, 0.0};
    EXPECT_EQ(filter.Pass(0.0), 0.0);
    EXPECT_EQ(filter.previous[2], 0.0);
}

} // namespace
} // namespace tarn
