#pragma once

#include <cstdint>

namespace tarn {

// The block an audio device hands to its host with the render message: one
// array of 64-bit samples per channel, never interleaved, nominal full scale
// +-1.0. The host reads the inputs and fills every output channel with
// exactly frameCount samples. The device owns the channel arrays; the host
// only sees them for the duration of one render message. Plain layout, so
// that the host can read it without knowing the device.
struct AudioBuffer {
    double** inputs = nullptr;  // inputChannels arrays (none for output-only devices)
    double** outputs = nullptr; // outputChannels arrays; 0 = left, 1 = right
    std::int32_t frameCount = 0;
};

} // namespace tarn
