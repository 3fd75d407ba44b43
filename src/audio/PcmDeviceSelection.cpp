#include "audio/PcmDeviceSelection.h"

#include "audio/AlsaDevice.h"
#include "audio/JackDevice.h"
#include "base/MessagePipe.h"

namespace tarn {

std::unique_ptr<PcmDevice> SelectPcmDevice(std::string_view backend) {
    if (backend == "auto") {
        const bool jack = JackDevice::ServerRunning();
        MessageOut() << "audio backend: " << (jack ? "jack" : "alsa") << eol;
        return SelectPcmDevice(jack ? "jack" : "alsa");
    }
    if (backend == "alsa") {
        return std::make_unique<AlsaDevice>();
    }
    if (backend == "jack") {
        return std::make_unique<JackDevice>();
    }
    ErrorOut() << "error: unknown audio backend '" << backend << "' (auto, alsa or jack)" << eol;
    return nullptr;
}

} // namespace tarn
