#include "engine/CoreEngine.h"

#include "engine/CurrentProject.h"
#include "engine/NodeFaults.h"
#include "engine/Project.h"

#include <mutex>

namespace tarn {

CoreEngine::CoreEngine(CurrentProject& current) : current_(current) {}

int CoreEngine::Start() {
    for (PerfTimer& timer : timers_) {
        timer.ReadFrequency();
    }
    stageClock_.ReadFrequency();
    return 1;
}

std::int32_t CoreEngine::RenderCallback(MachineMessage* message) noexcept {
    auto* engine = message != nullptr ? static_cast<CoreEngine*>(message->hostContext) : nullptr;
    if (engine == nullptr) {
        return 0;
    }
    switch (message->messageType) {
    case kDeviceRender: {
        const auto* buffer = static_cast<const AudioBuffer*>(message->pointer);
        return buffer != nullptr ? engine->WorkCycle(*buffer) : 0;
    }
    case kDeviceSampleRate:
        engine->tempo_.SetSampleRate(static_cast<double>(message->value));
        return 1;
    default:
        return 0;
    }
}

void CoreEngine::AttachStreamer(ChunkStreamer* streamer, std::recursive_mutex* lock) {
    streamer_ = lock != nullptr ? streamer : nullptr;
    streamerLock_ = lock;
}

void CoreEngine::AttachLiveInput(LiveInput* input) {
    std::lock_guard hold(current_.Lock());
    liveInput_ = input;
}

void CoreEngine::AttachTransport(TransportLink* link) {
    std::lock_guard hold(current_.Lock());
    transport_ = link;
}

void CoreEngine::UpdateStatistics(Project& project, int frames) noexcept {
    const double rate = project.Tempo().sampleRate;
    const double duration = rate > 0.0 ? frames / rate : 0.0;
    const auto percent = [duration](double seconds) {
        return duration > 0.0 ? seconds / duration * 100.0 : 0.0;
    };
    double machines = 0.0;
    for (auto [index, node] : project.ProcessOrder()) {
        node->meters.machineLoad = percent(node->meters.machineTime);
        machines += node->meters.machineTime;
#ifndef NDEBUG
        if (node->meters.machineLoad > 100.0) {
            node->meters.faults.fetch_or(kFaultOverlong, std::memory_order_relaxed);
        }
#endif
    }
    const double other = timers_[kCycleTimer].Elapsed() - machines;
    statistics_.machines = {machines, percent(machines)};
    statistics_.other = {other, percent(other)};
    statistics_.mixing = {mixingTime_, percent(mixingTime_)};
    statistics_.events = {eventsTime_, percent(eventsTime_)};
    statistics_.output = {outputTime_, percent(outputTime_)};
}

} // namespace tarn
