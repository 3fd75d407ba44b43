#pragma once

#include "machines/framework/Machine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarn::test {

// A reproducible performance of one machine, driven through messages only
// (attach, describe, 44100 Hz, 120 BPM, Init) so that it renders the same
// before and after any change to the machine's insides. A seeded generator
// picks chunk sizes of 0..256 frames, parameter events with values anywhere
// in each parameter's range (at offsets inside the chunk and past its end),
// notes with lengths and key releases, bursts of events on one frame, and
// the occasional Stop. Inputs carry a test signal whose connected flags
// come and go, for effects and the Master.
//
// The result holds every output channel's samples, channel after channel.
std::vector<double> GoldenRender(Machine& machine, std::uint32_t seed, int frames);

// The golden files live in tests/machines/builtin/golden/ as raw
// little-endian doubles. Setting TARN_GOLDEN_OUTPUT to a directory makes the
// golden test write its renders there instead of comparing, which is how
// the files are regenerated after an intended change of sound (from the
// source root):
//   export TARN_GOLDEN_OUTPUT=$PWD/tests/machines/builtin/golden
//   build/release/tarn_machines_builtin_tests --gtest_filter='GoldenRender*'
// TARN_GOLDEN_FRAMES renders longer performances, for comparing a rewrite's
// output with renders written before it.
std::string GoldenDirectory();
std::vector<double> ReadGolden(const std::string& path);
void WriteGolden(const std::string& path, const std::vector<double>& samples);

} // namespace tarn::test
