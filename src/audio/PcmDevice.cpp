#include "audio/PcmDevice.h"

#include <chrono>
#include <thread>

namespace tarn {

std::optional<TransportMode> ParseTransportMode(std::string_view text) {
    if (text == "off") {
        return TransportMode::kOff;
    }
    if (text == "follow") {
        return TransportMode::kFollow;
    }
    if (text == "lead") {
        return TransportMode::kLead;
    }
    return std::nullopt;
}

double PcmDevice::OutputLatency(const PcmFormat& format) const {
    return static_cast<double>(format.bufferFrames) * format.bufferCount / format.sampleRate;
}

void PcmDevice::Wait() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace tarn
