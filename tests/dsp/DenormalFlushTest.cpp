#include "dsp/DenormalFlush.h"

#include <gtest/gtest.h>

#include <limits>

namespace tarn {
namespace {

// Volatile, so that the arithmetic happens at run time under the mode in
// force rather than being folded by the compiler.
double Halve(double x) {
    volatile double value = x;
    volatile double half = 0.5;
    return value * half;
}

TEST(DenormalFlush, FlushesOnlyWhileItLivesAndLeavesNormalNumbersAlone) {
    const double smallest = std::numeric_limits<double>::min();
    volatile double denormal = smallest / 4.0;
    ASSERT_GT(Halve(smallest), 0.0);
    {
        const DenormalFlush flush;
        EXPECT_EQ(Halve(smallest), 0.0);    // a denormal result is flushed
        EXPECT_EQ(denormal + 0.0, 0.0);     // a denormal operand reads as zero
        EXPECT_EQ(Halve(1e-300), 0.5e-300); // normal numbers as before
        EXPECT_EQ(Halve(0.75), 0.375);
    }
    EXPECT_EQ(Halve(smallest), smallest / 2.0);
    EXPECT_EQ(denormal + 0.0, smallest / 4.0);
}

} // namespace
} // namespace tarn
