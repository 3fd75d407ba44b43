#pragma once

#include "base/ReplacingFile.h"
#include "document/ProjectDocument.h"

#include <filesystem>

namespace tarn {

// A wavetable wave as a WAVE file of 32-bit floats, so that `tarn dump`
// can hand waves to any sound editor and `tarn import` take them back.

// Writes the wave's samples, channels interleaved, at its rate, into the
// file's temporary; false when they were not written (see file.Error()).
bool WriteFloatWave(ReplacingFile& file, const WaveDoc& wave);

// Fills the format (32 bits) and the channel blocks of wave from a WAVE file
// of 32-bit floats; false after an error line naming file and why.
bool ReadFloatWave(const std::filesystem::path& file, WaveDoc& wave);

} // namespace tarn
