#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn::test {

// Loads bytes as a sound file through the sound loader: with the built-in
// WAV reader alone, or with the libsndfile plug-in found in the scratch
// application directory as well. Empty when the bytes were refused with
// one error line or decoded within bounds; otherwise what went wrong. The
// sanitizers catch what breaks on the way.
std::string CheckSoundInput(const std::uint8_t* data, std::size_t size, bool withPlugin);

} // namespace tarn::test
