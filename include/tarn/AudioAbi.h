#pragma once

// The records and message numbers shared by audio devices and their host
// (the engine's render callback), which know each other only through them.

#include <cstdint>

namespace tarn {

// Messages an audio device takes from its owner. 110 and 111 mean start and
// stop here, not the machine operations of the same numbers.
enum AudioDeviceMessage : std::int32_t {
    kDeviceOpen = 105,
    kDeviceClose = 106,
    kDeviceStart = 110,
    kDeviceStop = 111,
};

// Messages an audio device sends to its host through the HostLink.
enum AudioHostMessage : std::int32_t {
    kDeviceRender = 100,     // pointer = the device's AudioBuffer; result not examined
    kDeviceSampleRate = 120, // value = sample rate in Hz, once per successful open
};

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
