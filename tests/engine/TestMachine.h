#pragma once

#include "base/MessagePipe.h"
#include "machines/framework/Machine.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarn::test {

// A machine whose description and behaviour a test sets up front. It keeps
// a log of what the host told it, shared with the test so that it can still
// be read after the Node owns the machine.
struct TestMachineLog {
    std::vector<std::int32_t> trackCounts;
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
};

class TestMachine : public Machine {
public:
    TestMachine(TestMachineSetup setup, std::shared_ptr<TestMachineLog> log)
        : setup_(std::move(setup)), log_(std::move(log)) {}
    ~TestMachine() override { log_->destroyed = true; }

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
