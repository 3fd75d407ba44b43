#pragma once

#include "audio/AudioDevice.h"

#include <cstdint>

namespace tarn::test {

// Sends a message without arguments to a device, as its owner does.
inline std::int32_t SendMessage(AudioDevice& device, std::int32_t type) {
    MachineMessage message;
    message.messageType = type;
    return device.HandleMessage(&message);
}

} // namespace tarn::test
