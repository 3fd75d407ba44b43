#pragma once

#include "machines/framework/Machine.h"

#include <array>
#include <memory>
#include <vector>

namespace tarn::test {

// Hosts one stereo effect through messages: sample rate 44100, Init, then
// chunks of at most 256 frames over caller-given inputs. Parameter events
// queued with Set go with the next Process call's first chunk.
class GainEffectHarness {
public:
    static constexpr double kRate = 44100.0;

    explicit GainEffectHarness(std::unique_ptr<Machine> machine);

    void Set(std::int32_t index, double value, int offset = 0);

    // Runs left and right (same length) through the machine and answers both
    // outputs. Either input may be marked not connected.
    std::array<std::vector<double>, 2> Process(const std::vector<double>& left,
                                               const std::vector<double>& right,
                                               bool leftConnected = true,
                                               bool rightConnected = true);

    std::int32_t Send(std::int32_t type, std::int32_t value = 0, void* pointer = nullptr,
                      void* extra = nullptr);

private:
    std::unique_ptr<Machine> machine_;
    std::vector<EventRecord> pending_;
};

} // namespace tarn::test
