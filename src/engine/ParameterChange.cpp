#include "engine/ParameterChange.h"

#include "engine/Node.h"

#include <mutex>

namespace tarn {

int ChangeParameter(Node& node, int group, int track, int index, double value) {
    std::lock_guard lock(node.Lock());
    const int written = node.WriteParameter(group, track, index, value);
    const ParameterDescriptor* descriptor = node.FindParameter(group, index);
    if (written != 0 && descriptor != nullptr && descriptor->type != kTypeNote) {
        node.QueueLiveEvent(group, track, index, value, 0.0, 0.0, true);
    }
    return written;
}

} // namespace tarn
