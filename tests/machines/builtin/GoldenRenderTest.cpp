// Guards the sound of the built-in machines against unintended change: each
// scripted performance must render bit for bit what the golden file holds.
// GoldenRender.h says how to regenerate the files after an intended change.
#include "GoldenRender.h"

#include "machines/builtin/AnalogBass.h"
#include "machines/builtin/Master.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace tarn {
namespace {

struct GoldenCase {
    const char* file;
    std::unique_ptr<Machine> (*construct)();
    std::uint32_t seed;
    int frames;
};

template <typename T> std::unique_ptr<Machine> Make() {
    return std::make_unique<T>();
}

TEST(GoldenRender, MachinesRenderTheirGoldenFilesBitForBit) {
    const GoldenCase cases[] = {
        {"analog-bass-1.f64", &Make<AnalogBass>, 1, 2000},
        {"analog-bass-2.f64", &Make<AnalogBass>, 2, 2000},
        {"master.f64", &Make<Master>, 3, 600},
    };
    const char* output = std::getenv("TARN_GOLDEN_OUTPUT");
    // Longer performances for comparing a rewrite before and after.
    const char* frames = std::getenv("TARN_GOLDEN_FRAMES");
    for (const GoldenCase& golden : cases) {
        std::unique_ptr<Machine> machine = golden.construct();
        const std::vector<double> rendered = test::GoldenRender(
            *machine, golden.seed, frames != nullptr ? std::atoi(frames) : golden.frames);
        if (output != nullptr) {
            test::WriteGolden(std::string(output) + "/" + golden.file, rendered);
            continue;
        }
        const std::vector<double> expected =
            test::ReadGolden(test::GoldenDirectory() + "/" + golden.file);
        ASSERT_EQ(rendered.size(), expected.size()) << golden.file;
        for (std::size_t i = 0; i < rendered.size(); ++i) {
            ASSERT_EQ(std::memcmp(&rendered[i], &expected[i], sizeof(double)), 0)
                << golden.file << ": first difference at sample " << i << ": " << rendered[i]
                << " instead of " << expected[i];
        }
    }
}

} // namespace
} // namespace tarn
