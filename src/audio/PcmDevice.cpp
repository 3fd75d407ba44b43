#include "audio/PcmDevice.h"

#include <chrono>
#include <thread>

namespace tarn {

double PcmDevice::OutputLatency(const PcmFormat& format) const {
    return static_cast<double>(format.bufferFrames) * format.bufferCount / format.sampleRate;
}

void PcmDevice::Wait() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace tarn
