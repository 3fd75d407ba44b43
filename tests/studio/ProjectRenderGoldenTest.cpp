// Guards whole-project renders against unintended change: the demo song
// (voices, gliding volume and pan, the Master), rendered offline as 64-bit samples, must hash to
// what the golden digests hold. Speed work on the engine and the DSP
// library has to leave every sample as it was.
//
// After an intended change of sound, regenerate the digests (from the
// source root):
//   export TARN_GOLDEN_OUTPUT=$PWD/tests/studio/golden
//   build/release/tarn_studio_tests --gtest_filter='ProjectRenderGolden*'
#include "base/AppDirectory.h"
#include "engine/Project.h"
#include "studio/DemoSong.h"
#include "studio/RenderSong.h"
#include "studio/Studio.h"
#include "support/GoldenDigest.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tarn {
namespace {

struct ProjectRenderGolden : ::testing::Test {
    ProjectRenderGolden() { SetAppDirectory(scratch.Path()); }

    // Renders the current project and checks or writes its digest.
    void Check(const std::string& name, double beats) {
        RenderRequest request;
        request.output = scratch / (name + ".raw");
        request.sampleFormat = AudioStreamer::kFloat64;
        request.beats = beats;
        const RenderResult result = RenderSong(studio, request);
        ASSERT_TRUE(result.done) << name;
        const std::string bytes = test::ReadFile(result.file);
        ASSERT_EQ(bytes.size(), static_cast<std::size_t>(result.frames) * 16u) << name;
        // A render of silence would guard nothing.
        ASSERT_NE(bytes.find_first_not_of('\0'), std::string::npos) << name;
        test::ExpectGoldenDigest("tests/studio/golden/" + name + ".digest",
                                 test::SampleBytes(bytes));
    }

    test::ScratchDirectory scratch;
    Studio studio;
};

TEST_F(ProjectRenderGolden, DemoSongRendersAsBefore) {
    std::unique_ptr<Project> demo = BuildDemoSong(studio.Creator(), studio.Engine().Tempo());
    ASSERT_NE(demo, nullptr);
    studio.SetProject(std::move(demo));
    Check("demo-song", 0.0);
}

} // namespace
} // namespace tarn
