#include "audio/PcmDevice.h"

#include <chrono>
#include <thread>

namespace tarn {

void PcmDevice::Wait() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace tarn
