#include "engine/NodeFaults.h"

#include "base/MessagePipe.h"
#include "engine/Project.h"

namespace tarn {

int ReportNodeFaults(Project& project) {
    int lines = 0;
    for (auto [id, node] : project.Nodes()) {
        if (node == nullptr) {
            continue;
        }
        NodeMeters& meters = node->meters;
        const unsigned fresh =
            meters.faults.load(std::memory_order_relaxed) & ~meters.reportedFaults;
        if ((fresh & kFaultNotFinite) != 0) {
            WarningOut() << "warning: '" << node->Name()
                         << "' puts out samples that are not numbers (NaN or infinite)" << eol;
            ++lines;
        }
        if ((fresh & kFaultOverlong) != 0) {
            WarningOut() << "warning: '" << node->Name() << "' worked longer than its buffer lasts"
                         << eol;
            ++lines;
        }
        meters.reportedFaults |= fresh;
    }
    return lines;
}

} // namespace tarn
