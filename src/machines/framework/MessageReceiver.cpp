#include "machines/framework/MessageReceiver.h"

namespace tarn {

std::int32_t MessageReceiver::HandleMessage(MachineMessage* message) {
    switch (message->messageType) {
    case kMsgAttachHost: {
        const auto* words = static_cast<const HostLink*>(message->pointer);
        if (words != nullptr) {
            link_ = *words;
        }
        return 1;
    }
    case kMsgSetHostContext:
        if (message->pointer != nullptr) {
            link_.hostContext = *static_cast<void* const*>(message->pointer);
        }
        return 1;
    default:
        return 0;
    }
}

std::int32_t MessageReceiver::SendToHost(MachineMessage& message) const {
    if (link_.hostCallback == nullptr) {
        return 0;
    }
    message.hostContext = link_.hostContext;
    message.hostCookie = link_.hostCookie;
    return link_.hostCallback(&message);
}

} // namespace tarn
