#pragma once

#include "tarn/MachineAbi.h"

#include <cstdint>

namespace tarn {

// The receiving end of the seven-word message protocol, shared by machines,
// the audio driver and sound handlers. It keeps the HostLink and takes the
// attach-host handshake; every other message type is answered with 0 here
// and is for subclasses to take.
class MessageReceiver {
public:
    MessageReceiver() = default;
    virtual ~MessageReceiver() = default;
    MessageReceiver(const MessageReceiver&) = delete;
    MessageReceiver& operator=(const MessageReceiver&) = delete;

    virtual std::int32_t HandleMessage(MachineMessage* message);

    const HostLink& Link() const { return link_; }

protected:
    // Sends a message to the host with the link's context and cookie filled
    // in; 0 when no host is attached.
    std::int32_t SendToHost(MachineMessage& message) const;

private:
    HostLink link_;
};

} // namespace tarn
