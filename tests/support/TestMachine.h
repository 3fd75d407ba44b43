#pragma once

#include "base/MessagePipe.h"
#include "engine/Node.h"
#include "machines/framework/Machine.h"
#include "machines/framework/MachineHandle.h"

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarn::test {

// A machine whose description and behaviour a test sets up front. It keeps
// a log of what the host told it, shared with the test so that it can still
// be read after the Node owns the machine.
struct TestMachineLog {
    // Every host-to-machine message: type and value.
    std::vector<std::pair<std::int32_t, std::int32_t>> messages;
    std::vector<std::int32_t> trackCounts;
    double heldValue = 0.0; // the machine-held parameter (index 7)
    std::string initState;
    const std::uint8_t* initData = nullptr;
    double bpm = 0.0;
    double sampleRate = 0.0;
    double samplesPerBeat = 0.0;
    bool destroyed = false;
};

struct TestMachineSetup {
    std::string name = "Test";
    std::int32_t kind = kKindEffect;
    std::int32_t inputs = 2;
    std::int32_t outputs = 2;
    std::int32_t perTrack = 0; // sent as both per-track channel counts
    std::int32_t minTracks = 1;
    std::int32_t maxTracks = 1;
    bool throwInDescribe = false;
    bool throwInInit = false;
    bool tempoParameter = false; // index 0 carries the tempo, as the Master's does
};

class TestMachine : public Machine {
public:
    TestMachine(TestMachineSetup setup, std::shared_ptr<TestMachineLog> log)
        : setup_(std::move(setup)), log_(std::move(log)) {}
    ~TestMachine() override { log_->destroyed = true; }

    std::int32_t HandleMessage(MachineMessage* message) override {
        log_->messages.emplace_back(message->messageType, message->value);
        return Machine::HandleMessage(message);
    }

    std::int32_t Work(const WorkRecord&) override { return 1; }

    std::int32_t Describe() override {
        if (setup_.throwInDescribe) {
            throw std::runtime_error("describe");
        }
        MachineInfo info;
        info.kind = setup_.kind;
        info.revision = 1;
        info.inputChannels = setup_.inputs;
        info.outputChannels = setup_.outputs;
        info.inputChannelsPerTrack = setup_.perTrack;
        info.outputChannelsPerTrack = setup_.perTrack;
        info.minTracks = setup_.minTracks;
        info.maxTracks = setup_.maxTracks;
        info.name = setup_.name;
        info.alternateName = setup_.name;
        info.shortName = setup_.name.substr(0, 3);
        info.author = "Tarn team";
        DescribeInfo(info);

        if (setup_.tempoParameter) {
            ParameterDescriptor bpm;
            bpm.type = kTypeDouble;
            bpm.name = "BPM";
            bpm.minimum = 1.0;
            bpm.maximum = 1024.0;
            bpm.defaultValue = 60.0;
            bpm.resolution = 0.01;
            DescribeParameter(0, bpm);
        }

        ParameterFolder folder;
        folder.name = "Filter";
        folder.flag = 1;
        DescribeFolder(4, folder);
        ParameterDescriptor cutoff;
        cutoff.type = kTypeDouble;
        cutoff.folder = 4;
        cutoff.name = "Cutoff";
        cutoff.maximum = 1.0;
        cutoff.defaultValue = 0.5;
        cutoff.resolution = 0.01;
        DescribeParameter(2, cutoff);
        ParameterDescriptor held = cutoff;
        held.name = "Held";
        held.flags = kParamMachineHeld;
        DescribeParameter(7, held);
        DescribeParameter(9, ParameterDescriptor::Note("Note", "Played note"));
        // Types the host formats by itself, or not at all.
        ParameterDescriptor wave;
        wave.type = kTypeByte;
        wave.name = "Wave";
        wave.maximum = 4.0;
        wave.defaultValue = 1.0;
        DescribeParameter(11, wave);
        ParameterDescriptor steps = wave;
        steps.type = kTypeNibble;
        steps.name = "Steps";
        DescribeParameter(12, steps);
        DescribeProgram(0, "Init");
        DescribeProgram(2, "Lead");
        return 1;
    }

    std::int32_t Init(const ByteBuffer& state) override {
        if (setup_.throwInInit) {
            throw std::runtime_error("init");
        }
        log_->initData = state.Data();
        log_->initState.assign(state.Data(), state.Data() + state.Size());
        log_->bpm = bpm;
        log_->sampleRate = sampleRate;
        log_->samplesPerBeat = samplesPerBeat;
        return 1;
    }

    std::int32_t SetTrackCount(std::int32_t count) override {
        log_->trackCounts.push_back(count);
        return 1;
    }
    std::int32_t SetProgram(std::int32_t) override { return 1; }

    double GetParameterValue(std::int32_t index) override {
        return index == 7 ? log_->heldValue : -1.0;
    }
    std::int32_t SetParameterValue(std::int32_t index, double value) override {
        if (index == 7) {
            log_->heldValue = value;
        }
        return 1;
    }

    // Only the cutoff has a text of its own.
    std::int32_t FormatValue(std::int32_t index, double value, char* text) override {
        if (index != 2) {
            return 0;
        }
        std::snprintf(text, 256, "cutoff %.1f", value);
        return 1;
    }

    // Lets a test play the machine's side of the protocol.
    std::int32_t Report(std::int32_t index, double value) {
        return ReportParameterChange(index, value);
    }
    void* Wave(std::int32_t slot) { return GetWave(slot); }

private:
    TestMachineSetup setup_;
    std::shared_ptr<TestMachineLog> log_;
};

inline std::unique_ptr<TestMachine> MakeMachine(TestMachineSetup setup = {},
                                                std::shared_ptr<TestMachineLog> log = nullptr) {
    if (log == nullptr) {
        log = std::make_shared<TestMachineLog>();
    }
    return std::make_unique<TestMachine>(std::move(setup), std::move(log));
}

// Makes test machines by registry name, as the machine factory would.
class TestFactory {
public:
    // Machines made under name get this set-up and share this log.
    void Define(const std::string& name, TestMachineSetup setup,
                std::shared_ptr<TestMachineLog> log = nullptr) {
        if (log == nullptr) {
            log = std::make_shared<TestMachineLog>();
        }
        kinds_[name] = {std::move(setup), std::move(log)};
    }

    std::optional<MachineHandle> Create(std::string_view name) const {
        const auto found = kinds_.find(std::string(name));
        if (found == kinds_.end()) {
            ErrorOut() << "error: " << name << " not found" << eol;
            return std::nullopt;
        }
        return MachineHandle(MakeMachine(found->second.first, found->second.second),
                             std::string(name));
    }

    MachineCreator Creator() const {
        return [this](std::string_view name) { return Create(name); };
    }

private:
    std::map<std::string, std::pair<TestMachineSetup, std::shared_ptr<TestMachineLog>>> kinds_;
};

// Collects the lines written to one pipe while it lives.
class PipeCapture {
public:
    explicit PipeCapture(MessagePipe& pipe, int kind = kErrorLine) : pipe_(pipe) {
        pipe_.RegisterReceiver(this, &PipeCapture::Receive, kind);
    }
    ~PipeCapture() { pipe_.UnregisterReceiver(this); }
    PipeCapture(const PipeCapture&) = delete;
    PipeCapture& operator=(const PipeCapture&) = delete;

    // The lines so far, and forgets them.
    std::vector<std::string> Take() { return std::exchange(lines_, {}); }

private:
    static void Receive(void* self, int, const std::string& text) {
        static_cast<PipeCapture*>(self)->lines_.push_back(text);
    }

    MessagePipe& pipe_;
    std::vector<std::string> lines_;
};

} // namespace tarn::test
