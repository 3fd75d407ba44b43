#pragma once

#include "machines/framework/MessageReceiver.h"

namespace tarn {

// Hands receiver one message built from its words, as a host does, and
// answers the receiver's answer.
inline std::int32_t SendMessage(MessageReceiver& receiver, std::int32_t type,
                                std::int32_t value = 0, void* pointer = nullptr) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    return receiver.HandleMessage(&message);
}

} // namespace tarn
