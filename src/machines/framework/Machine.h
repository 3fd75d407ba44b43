#pragma once

#include "machines/framework/ByteBuffer.h"
#include "machines/framework/MachineInfo.h"
#include "machines/framework/MessageReceiver.h"
#include "machines/framework/ParameterDescriptor.h"
#include "machines/framework/ParameterFolder.h"
#include "tarn/MachineAbi.h"

#include <cstdint>

namespace tarn {

// The base of every machine: built-ins, the Master and plug-in adapters.
// The host reaches a machine only through HandleMessage, which unpacks the
// message and calls one of the virtual operations below; every operation
// answers 0 ("not handled") unless a machine overrides it. A machine talks
// back through the host callback of its HostLink, using the senders.
//
// Threads: Work runs on the audio thread with the Node lock held; Idle and
// the editor messages come from the GUI thread; everything else arrives on
// the GUI thread with the project lock held. Exceptions thrown by an
// operation travel back out of HandleMessage; the host guards the calls.
class Machine : public MessageReceiver {
public:
    // 1 / 60 as the tempo arithmetic uses it, so that every machine derives
    // the same beat lengths from the same BPM.
    static constexpr double kPerMinute = 0.016666666666666666;

    Machine() = default;
    ~Machine() override = default;

    std::int32_t HandleMessage(MachineMessage* message) override;

    // Saved state from the project file; the bytes stay the host's and are
    // valid only during the call. Empty for a new machine.
    virtual std::int32_t Init(const ByteBuffer& state);
    virtual std::int32_t LoadPlugin(const char* path);
    // Reads frames 0..n-1 of the inputs and writes all n frames of every
    // output channel. Must not allocate or block.
    virtual std::int32_t Work(const WorkRecord& record);
    virtual std::int32_t SetTrackCount(std::int32_t count);
    // Writes at most 256 bytes, terminating zero included, into text and
    // answers nonzero; 0 leaves formatting to the host.
    virtual std::int32_t FormatValue(std::int32_t index, double value, char* text);
    virtual double GetParameterValue(std::int32_t index);
    virtual std::int32_t SetParameterValue(std::int32_t index, double value);
    virtual std::int32_t SetProgram(std::int32_t program);
    // Fills the machine's MachineInfo and sends it, its folders, parameters
    // and programs through the senders.
    virtual std::int32_t Describe();
    // Reached by message 130, which nothing in the studio sends.
    virtual std::int32_t Reserved130(std::int32_t value);
    // Mode 1: silence every voice now.
    virtual std::int32_t Stop(std::int32_t mode);
    virtual std::int32_t OpenEditor(void* parentWindow);
    virtual std::int32_t CloseEditor();
    // which: 1 width, 2 height, in pixels.
    virtual std::int32_t GetEditorSize(std::int32_t which);
    // Appends the machine's opaque state; the base leaves it empty.
    virtual std::int32_t SaveState(ByteBuffer& state);
    virtual std::int32_t Idle();

    double Bpm() const { return bpm; }
    double BeatsPerSample() const { return beatsPerSample; }
    double SampleRate() const { return sampleRate; }
    double SamplesPerBeat() const { return samplesPerBeat; }

protected:
    // Senders to the host. Each returns what the protocol says; with no host
    // attached nothing is sent.
    std::int32_t DescribeInfo(const MachineInfo& info);
    void DescribeParameter(std::int32_t index, const ParameterDescriptor& descriptor);
    void DescribeFolder(std::int32_t index, const ParameterFolder& folder);
    void DescribeProgram(std::int32_t number, const char* name);
    // Tells the host a machine-held value changed; safe from any thread,
    // including the audio thread inside Work.
    std::int32_t ReportParameterChange(std::int32_t index, double value);
    // The sample data of a wavetable slot, or null for an empty slot.
    void* GetWave(std::int32_t slot);

    // Tempo as the host last sent it: bpm and sampleRate are whole numbers,
    // the derived pair is recomputed by message 150. All 0 until then.
    double bpm = 0.0;
    double beatsPerSample = 0.0;
    double sampleRate = 0.0;
    double samplesPerBeat = 0.0;

private:
    std::int32_t Send(std::int32_t type, std::int32_t value = 0, std::int32_t value2 = 0,
                      const void* pointer = nullptr);
};

} // namespace tarn
