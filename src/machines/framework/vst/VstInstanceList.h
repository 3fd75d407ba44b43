#pragma once

#include "machines/framework/vst/VstAbi.h"

#include <cstdint>

namespace tarn {

class VstAdapter;

// Every live adapter of the process with its plug-in's effect, in the order
// they were entered: the host callback only knows the effect and finds its
// adapter here. Plug-ins call back from any thread of theirs, so every
// operation takes the list's own lock (and nothing else) for its length.
class VstInstanceList {
public:
    static void Enter(VstAdapter* adapter, const vst::Effect* effect);
    static void Leave(const VstAdapter* adapter);
    // Null when the effect belongs to no adapter (yet).
    static VstAdapter* Find(const vst::Effect* effect);
    // The adapter's position in the list, -1 when it is not in it.
    static std::int32_t Position(const VstAdapter* adapter);
    static std::int32_t Count();
};

} // namespace tarn
