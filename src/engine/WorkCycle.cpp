// The work cycle of the engine: one buffer of the current project.
#include "dsp/DenormalFlush.h"
#include "engine/ChunkStreamer.h"
#include "engine/CoreEngine.h"
#include "engine/CurrentProject.h"
#include "engine/LiveInput.h"
#include "engine/NodeFaults.h"
#include "engine/PreviewSlot.h"
#include "engine/Project.h"
#include "engine/TransportLink.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tarn {
namespace {

// The meters fall by 60 dB per second.
constexpr double kPeakFall = 0.001;
constexpr double kRingPeakHold = 0.9999;

void Silence(ChannelBufferSet& channels, int count, int frames) noexcept {
    for (int c = 0; c < count; ++c) {
        std::fill_n(channels.Samples(c), frames, 0.0);
    }
}

struct RingSource {
    AnalyzerRing* ring;
    const double* samples;
};

// Feeds kCount rings in one pass over the frames: each held peak is a chain
// of multiplies that must run in order, and the chains of different rings
// overlap.
template <int kCount> void FeedRingGroup(const RingSource* sources, int frames) noexcept {
    std::array<int, kCount> index;
    std::array<double, kCount> peak;
    for (int r = 0; r < kCount; ++r) {
        index[r] = sources[r].ring->writeIndex;
        peak[r] = sources[r].ring->peak;
    }
    for (int k = 0; k < frames; ++k) {
        for (int r = 0; r < kCount; ++r) {
            const double sample = sources[r].samples[k];
            sources[r].ring->samples[index[r]] = sample;
            index[r] = (index[r] + 1) & AnalyzerRing::kMask;
            const double magnitude = std::fabs(sample);
            peak[r] = magnitude > peak[r] ? magnitude : peak[r] * kRingPeakHold;
        }
    }
    for (int r = 0; r < kCount; ++r) {
        sources[r].ring->writeIndex = index[r];
        sources[r].ring->peak = peak[r];
    }
}

// Every input ring, then every output ring, four at a time.
void FeedRings(ChannelBufferSet& inputs, ChannelBufferSet& outputs, int frames) noexcept {
    std::array<RingSource, 4> batch;
    int count = 0;
    auto feed = [&] {
        switch (count) {
        case 4:
            FeedRingGroup<4>(batch.data(), frames);
            break;
        case 3:
            FeedRingGroup<3>(batch.data(), frames);
            break;
        case 2:
            FeedRingGroup<2>(batch.data(), frames);
            break;
        case 1:
            FeedRingGroup<1>(batch.data(), frames);
            break;
        default:
            break;
        }
        count = 0;
    };
    for (ChannelBufferSet* channels : {&inputs, &outputs}) {
        for (int c = 0; c < channels->Count(); ++c) {
            if (channels->Ring(c).samples == nullptr) {
                continue; // never watched
            }
            batch[static_cast<std::size_t>(count++)] = {&channels->Ring(c), channels->Samples(c)};
            if (count == 4) {
                feed();
            }
        }
    }
    feed();
}

} // namespace

int CoreEngine::WorkCycle(const AudioBuffer& buffer) noexcept {
    // Live and offline renders alike, whichever thread drives them.
    const DenormalFlush flush;
    std::lock_guard projectLock(current_.Lock());
    Project* project = current_.Get();
    if (project == nullptr) {
        return 0;
    }
    if (transport_ != nullptr) {
        transport_->SyncTransport(*project);
    }
    timed_ = metersShown_.load(std::memory_order_relaxed);
    if (timed_) {
        timers_[kCycleTimer].Start();
    } else {
        timers_[kCycleTimer] = PerfTimer{};
    }
    anySolo_ = false;
    for (auto [index, node] : project->ProcessOrder()) {
        node->meters.machineTime = 0.0;
        anySolo_ = anySolo_ || node->Soloed();
    }
    mixingTime_ = 0.0;
    eventsTime_ = 0.0;
    outputTime_ = 0.0;
    const double rate = project->Tempo().sampleRate;
    peakDecay_ = rate > 0.0 ? std::pow(kPeakFall, 1.0 / rate) : kPeakFall;

    const int total = std::max(buffer.frameCount, 0);
    for (int done = 0; done < total;) {
        const int frames = std::min(kMaxChunkFrames, total - done);
        RenderChunk(*project, buffer, done, frames);
        done += frames;
    }
    if (timed_) {
        timers_[kCycleTimer].Stop();
    }
    UpdateStatistics(*project, total);
    return 1;
}

void CoreEngine::RenderChunk(Project& project, const AudioBuffer& buffer, int done,
                             int frames) noexcept {
    const SongTransport& transport = project.Transport();
    const ChunkTiming chunk{transport.position, project.ChunkEnd(frames), frames,
                            project.Tempo().samplesPerBeat, transport.Playing()};
    if (liveInput_ != nullptr) {
        liveInput_->TakeLiveInput(project, framesRendered_, frames);
    }
    if (timed_) {
        stageClock_.Start();
    }
    for (auto [index, node] : project.ProcessOrder()) {
        RenderNode(project, *node, chunk);
    }
    project.UpdateTempo();
    if (streamer_ != nullptr) {
        std::lock_guard streaming(*streamerLock_);
        streamer_->WriteChunk(project, frames);
    }
    Node* master = project.GetNode(Project::kMasterId);
    if (preview_ != nullptr && master != nullptr) {
        double* outputs[2] = {nullptr, nullptr};
        const int channels = std::min(master->Outputs().Count(), 2);
        for (int c = 0; c < channels; ++c) {
            outputs[c] = master->Outputs().Samples(c);
        }
        preview_->MixInto(outputs, channels, frames);
    }
    CopyOut(master, buffer, done, frames);
    project.AdvancePosition(frames);
    framesRendered_ += static_cast<std::uint64_t>(frames);
}

void CoreEngine::RenderNode(Project& project, Node& node, const ChunkTiming& chunk) noexcept {
    std::lock_guard nodeLock(node.Lock());
    const int frames = chunk.frames;
    // Waiting for the lock counts as the Node's events time.
    events_.Collect(node, chunk);
    eventsTime_ += EndStage(kEventsTimer);
    MixInputs(project, node, frames);
    mixingTime_ += EndStage(kMixingTimer);

    workEvents_.Fill(events_.MachineEvents());
    WorkRecord record;
    record.inputs = node.Inputs().Records();
    record.outputs = node.Outputs().Records();
    record.frameCount = frames;
    record.events = workEvents_.Data();
    record.eventCount = workEvents_.Count();
    // The machine works even when the Node is muted or bypassed, so that
    // its voices and tails run on unheard.
    node.SendToMachine(kMsgWork, 0, &record);
    node.meters.machineTime += EndStage(kMachineTimer);
#ifndef NDEBUG
    CheckOutputs(node, frames);
#endif

    FinishNode(node, frames);
    outputTime_ += EndStage(kOutputTimer);
}

void CoreEngine::CheckOutputs(Node& node, int frames) noexcept {
    const auto allFinite = [frames](const ChannelBufferSet& set, int channels) {
        for (int c = 0; c < std::min(channels, set.Count()); ++c) {
            const double* samples = set.Samples(c);
            if (!std::all_of(samples, samples + frames,
                             [](double s) { return std::isfinite(s); })) {
                return false;
            }
        }
        return true;
    };
    // Only the Node that made the fault is marked, not every one that
    // passes it on.
    if (!allFinite(node.Outputs(), node.OutputChannelCount()) &&
        allFinite(node.Inputs(), node.InputChannelCount())) {
        node.meters.faults.fetch_or(kFaultNotFinite, std::memory_order_relaxed);
    }
}

void CoreEngine::MixInputs(Project& project, Node& node, int frames) noexcept {
    ChannelBufferSet& inputs = node.Inputs();
    const int channels = std::min(node.InputChannelCount(), inputs.Count());
    Silence(inputs, channels, frames);
    for (auto [index, connection] : node.InputList()) {
        Node* source = project.GetNode(connection->SourceId());
        if (source == nullptr) {
            continue;
        }
        EventList& events = events_.ConnectionEvents(index);
        WorkRecord record;
        record.inputs = source->Outputs().Records();
        record.outputs = inputs.Records();
        record.frameCount = frames;
        record.events = events.Data();
        record.eventCount = static_cast<int>(events.Size());
        connection->Mix(record, std::min(source->OutputChannelCount(), source->Outputs().Count()),
                        channels);
    }
}

void CoreEngine::FinishNode(Node& node, int frames) noexcept {
    ChannelBufferSet& inputs = node.Inputs();
    ChannelBufferSet& outputs = node.Outputs();
    const int channels = std::min(node.OutputChannelCount(), outputs.Count());
    if (node.Bypassed() && node.InputChannelCount() == node.OutputChannelCount()) {
        for (int c = 0; c < std::min(channels, inputs.Count()); ++c) {
            std::copy_n(inputs.Samples(c), frames, outputs.Samples(c));
        }
    }
    const std::int32_t kind = node.Info().kind;
    if (node.Muted() || (anySolo_ && kind == kKindGenerator && !node.Soloed())) {
        Silence(outputs, channels, frames);
    }

    EventList& system = events_.SystemEvents();
    WorkRecord record;
    record.outputs = outputs.Records();
    record.frameCount = frames;
    record.events = system.Data();
    record.eventCount = static_cast<int>(system.Size());
    node.RunOutputStage(record);

    const bool shown = metersShown_.load(std::memory_order_relaxed);
    if (node.meters.analyzerOn.load(std::memory_order_relaxed) || (shown && kind == kKindMaster)) {
        FeedRings(inputs, outputs, frames);
    }
    if (shown) {
        double level = node.meters.peakLevel;
        for (int k = 0; k < frames; ++k) {
            double loudest = 0.0;
            for (int c = 0; c < outputs.Count(); ++c) {
                loudest = std::max(loudest, std::fabs(outputs.Samples(c)[k]));
            }
            level = loudest > level ? loudest : level * peakDecay_;
        }
        node.meters.peakLevel = level;
    }
}

void CoreEngine::CopyOut(const Node* master, const AudioBuffer& buffer, int done,
                         int frames) noexcept {
    if (buffer.outputs == nullptr) {
        return;
    }
    for (int c = 0; c < 2; ++c) {
        double* destination = buffer.outputs[c];
        if (destination == nullptr) {
            continue;
        }
        if (master != nullptr && c < master->Outputs().Count()) {
            std::copy_n(master->Outputs().Samples(c), frames, destination + done);
        } else {
            std::fill_n(destination + done, frames, 0.0);
        }
    }
}

} // namespace tarn
