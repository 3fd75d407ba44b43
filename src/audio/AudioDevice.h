#pragma once

#include "machines/framework/MessageReceiver.h"
#include "tarn/AudioAbi.h"

#include <cstdint>

namespace tarn {

// An audio device driven through the message protocol. Every operation
// answers 1 for success and 0 for failure; this base does nothing and
// answers 0, so a device only overrides what it supports. Messages it does
// not know go to the receiver base (attach host, set host context).
// All operations are called from the owner's thread (the GUI thread).
class AudioDevice : public MessageReceiver {
public:
    std::int32_t HandleMessage(MachineMessage* message) override;

    virtual std::int32_t Start() { return 0; }
    virtual std::int32_t Stop() { return 0; }
    virtual std::int32_t Open() { return 0; }
    virtual std::int32_t Close() { return 0; }
};

} // namespace tarn
