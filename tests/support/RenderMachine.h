#pragma once

#include "base/MessagePipe.h"
#include "engine/Node.h"
#include "machines/framework/Machine.h"
#include "machines/framework/MachineHandle.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tarn::test {

// What a RenderMachine writes into its outputs on every frame.
enum class Sound {
    kConstant,    // the set-up's level
    kNote,        // the value of the last note event, from its offset on
    kPassThrough, // input channel c to output channel c, silence beyond
    kScaled,      // as kPassThrough, times the set-up's level
};

struct RenderSetup {
    std::int32_t kind = kKindGenerator;
    std::int32_t inputs = 0;
    std::int32_t outputs = 2;
    std::int32_t maxTracks = 1;
    Sound sound = Sound::kConstant;
    double level = 1.0;
    // Index 0 carries the song tempo, as the Master's does.
    bool tempoParameter = false;
    // Keep a log of every chunk and event (allocates inside Work).
    bool record = true;
    // How long every Work sleeps: a machine slower than its buffer.
    std::chrono::microseconds workTime{0};
};

// Parameter indices of every RenderMachine.
enum RenderParameter : std::int32_t {
    kTempo = 0,      // BPM, only with RenderSetup::tempoParameter
    kNote = 1,       // note, 0..127
    kLevel = 2,      // double, 0..1, default 0.5
    kWave = 3,       // byte 0..99, entered with every note
    kGlobalWave = 4, // as kWave, but global
    kHiddenWave = 5, // as kWave, but without a pattern column
};

struct ReceivedEvent {
    int chunk = 0; // index into RenderLog::frameCounts
    EventRecord event;
};

struct ReceivedMessage {
    int chunksBefore = 0; // chunks worked before the message arrived
    std::int32_t type = 0;
    std::int32_t value = 0;
    bool operator==(const ReceivedMessage&) const = default;
};

// What a RenderMachine heard, shared with the test so that it can be read
// while the Node owns the machine.
struct RenderLog {
    std::vector<int> frameCounts; // one per Work
    std::vector<ReceivedEvent> events;
    std::vector<ReceivedMessage> tempoMessages; // 153 and 150
};

class RenderMachine : public Machine {
public:
    RenderMachine(RenderSetup setup, std::shared_ptr<RenderLog> log)
        : setup_(setup), log_(std::move(log)) {}

    std::int32_t HandleMessage(MachineMessage* message) override {
        if (setup_.record &&
            (message->messageType == kMsgSetBpm || message->messageType == kMsgUpdateTempo)) {
            log_->tempoMessages.push_back(
                {static_cast<int>(log_->frameCounts.size()), message->messageType, message->value});
        }
        return Machine::HandleMessage(message);
    }

    std::int32_t Work(const WorkRecord& record) noexcept override {
        if (setup_.workTime.count() > 0) {
            std::this_thread::sleep_for(setup_.workTime);
        }
        const int frames = record.frameCount;
        if (setup_.record) {
            for (int i = 0; i < record.eventCount; ++i) {
                log_->events.push_back(
                    {static_cast<int>(log_->frameCounts.size()), *record.events[i]});
            }
            log_->frameCounts.push_back(frames);
        }
        int next = 0;
        for (int k = 0; k < frames; ++k) {
            for (; next < record.eventCount && record.events[next]->offset <= k; ++next) {
                if (record.events[next]->group == kGroupMachine &&
                    record.events[next]->index == kNote) {
                    note_ = record.events[next]->value;
                }
            }
            for (int c = 0; c < setup_.outputs; ++c) {
                record.outputs[c]->samples[k] = Sample(record, c, k);
            }
        }
        return 1;
    }

    std::int32_t Describe() override {
        MachineInfo info;
        info.kind = setup_.kind;
        info.revision = 1;
        info.inputChannels = setup_.inputs;
        info.outputChannels = setup_.outputs;
        info.minTracks = 1;
        info.maxTracks = setup_.maxTracks;
        info.name = "Render";
        DescribeInfo(info);
        if (setup_.tempoParameter) {
            ParameterDescriptor bpm;
            bpm.type = kTypeDouble;
            bpm.minimum = 1.0;
            bpm.maximum = 1024.0;
            bpm.defaultValue = 60.0;
            DescribeParameter(kTempo, bpm);
        }
        DescribeParameter(kNote, ParameterDescriptor::Note("Note", "Played note"));
        ParameterDescriptor level;
        level.type = kTypeDouble;
        level.maximum = 1.0;
        level.defaultValue = 0.5;
        DescribeParameter(kLevel, level);
        ParameterDescriptor wave;
        wave.type = kTypeByte;
        wave.maximum = 99.0;
        wave.defaultValue = 1.0;
        wave.flags = kParamWithEveryNote;
        DescribeParameter(kWave, wave);
        wave.flags = kParamWithEveryNote | kParamGlobal;
        DescribeParameter(kGlobalWave, wave);
        wave.flags = kParamWithEveryNote | kParamNoPatternColumn;
        DescribeParameter(kHiddenWave, wave);
        return 1;
    }

private:
    double Sample(const WorkRecord& record, int channel, int k) const {
        switch (setup_.sound) {
        case Sound::kConstant:
            return setup_.level;
        case Sound::kNote:
            return note_;
        case Sound::kPassThrough:
            return channel < setup_.inputs ? record.inputs[channel]->samples[k] : 0.0;
        case Sound::kScaled:
            return channel < setup_.inputs ? record.inputs[channel]->samples[k] * setup_.level
                                           : 0.0;
        }
        return 0.0;
    }

    RenderSetup setup_;
    std::shared_ptr<RenderLog> log_;
    double note_ = 0.0;
};

// Makes RenderMachines by registry name, as the machine factory would.
class RenderFactory {
public:
    // Machines made under name get this set-up and log into the returned log.
    std::shared_ptr<RenderLog> Define(const std::string& name, RenderSetup setup) {
        auto log = std::make_shared<RenderLog>();
        kinds_[name] = {setup, log};
        return log;
    }

    MachineCreator Creator() const {
        return [this](std::string_view name) -> std::optional<MachineHandle> {
            const auto found = kinds_.find(std::string(name));
            if (found == kinds_.end()) {
                ErrorOut() << "error: " << name << " not found" << eol;
                return std::nullopt;
            }
            return MachineHandle(
                std::make_unique<RenderMachine>(found->second.first, found->second.second),
                std::string(name));
        };
    }

private:
    std::map<std::string, std::pair<RenderSetup, std::shared_ptr<RenderLog>>> kinds_;
};

} // namespace tarn::test
