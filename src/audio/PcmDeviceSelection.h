#pragma once

#include "audio/PcmDevice.h"

#include <memory>
#include <string_view>

namespace tarn {

// Creates the playback device for a backend name: "alsa", "jack", or
// "auto" (JACK when a server is running, ALSA otherwise). An unknown name
// writes an error line and yields null. Owner's thread, at start-up.
std::unique_ptr<PcmDevice> SelectPcmDevice(std::string_view backend);

} // namespace tarn
