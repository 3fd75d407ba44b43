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

// Attaches the host of link to a device (message 1); the device keeps a
// copy of the link.
inline std::int32_t AttachHost(AudioDevice& device, HostLink link) {
    MachineMessage attach;
    attach.messageType = kMsgAttachHost;
    attach.pointer = &link;
    return device.HandleMessage(&attach);
}

} // namespace tarn::test
