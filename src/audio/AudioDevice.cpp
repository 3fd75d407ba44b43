#include "audio/AudioDevice.h"

namespace tarn {

std::int32_t AudioDevice::HandleMessage(MachineMessage* message) {
    switch (message->messageType) {
    case kDeviceOpen:
        return Open();
    case kDeviceClose:
        return Close();
    case kDeviceStart:
        return Start();
    case kDeviceStop:
        return Stop();
    default:
        return MessageReceiver::HandleMessage(message);
    }
}

} // namespace tarn
