#pragma once

#include "base/MessageReceiver.h"

#include <cstdint>

namespace tarn {

// Messages an audio device takes from its owner. 110 and 111 mean start and
// stop here, not the machine operations of the same numbers.
enum AudioDeviceMessage : std::int32_t {
    kDeviceOpen = 105,
    kDeviceClose = 106,
    kDeviceStart = 110,
    kDeviceStop = 111,
};

// Messages an audio device sends to its host through the HostLink.
enum AudioHostMessage : std::int32_t {
    kDeviceRender = 100,     // pointer = the device's AudioBuffer; result not examined
    kDeviceSampleRate = 120, // value = sample rate in Hz, once per successful open
};

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
