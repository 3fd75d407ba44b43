#include "wavetable/SoundHandler.h"

namespace tarn {

std::int32_t SoundHandler::HandleMessage(MachineMessage* message) {
    auto* sound = static_cast<SoundData*>(message->pointer);
    switch (message->messageType) {
    case kSoundQueryFormat:
        return sound != nullptr ? QueryFormat(*sound) : 0;
    case kSoundDecode:
        return sound != nullptr ? Decode(*sound) : 0;
    case kSoundOpen:
        return message->pointer != nullptr
                   ? Open(message->value, static_cast<const char*>(message->pointer))
                   : 0;
    case kSoundClose:
        return Close();
    default:
        return MessageReceiver::HandleMessage(message);
    }
}

} // namespace tarn
