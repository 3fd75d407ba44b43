#pragma once

#include "machines/framework/MessageReceiver.h"
#include "tarn/SoundAbi.h"

#include <cstdint>

namespace tarn {

// A decoder of sound files behind the seven-word message protocol: the
// built-in WAV reader and every plug-in handler derive from it. The loader
// opens a file, asks for its format, hands arrays sized for that format to
// Decode and closes the file again, all on one thread.
class SoundHandler : public MessageReceiver {
public:
    // 100 query format, 101 decode, 102 open, 103 close; the rest goes to
    // the receiver base. A message without its argument is answered 0.
    std::int32_t HandleMessage(MachineMessage* message) override;

protected:
    // Fills sound.format; nonzero when the open file is one this handler
    // decodes.
    virtual std::int32_t QueryFormat(SoundData& sound) = 0;
    // Fills the arrays of sound, allocated for the format QueryFormat gave.
    virtual std::int32_t Decode(SoundData& sound) = 0;
    virtual std::int32_t Open(std::int32_t value, const char* path) = 0;
    virtual std::int32_t Close() = 0;
};

} // namespace tarn
