#pragma once

#include "machines/framework/BuiltinMachineBase.h"

namespace tarn {

// The machine at the end of the graph: its outputs are what the audio driver
// plays. It passes its inputs through unchanged and carries the song tempo
// as its one parameter, which the engine reads from the Node's parameter
// store each chunk; the Master itself never acts on it.
class Master : public BuiltinMachineBase {
public:
    static constexpr std::int32_t kBpmIndex = 0;

    Master();
    ~Master() override = default;

private:
    // Each output channel gets its input when that input is connected and
    // silence otherwise, so nothing stale survives a disconnection.
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;
};

} // namespace tarn
