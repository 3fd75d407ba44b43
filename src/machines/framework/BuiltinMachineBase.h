#pragma once

#include "machines/framework/Machine.h"
#include "machines/framework/ParameterTable.h"

#include <algorithm>
#include <cstdint>

namespace tarn {

// How to write a built-in machine
// ===============================
//
// 1. One file, src/machines/builtin/MyMachine.cpp (with a header only when
//    something else needs the type), holding `class MyMachine : public
//    BuiltinMachineBase`.
//
// 2. Parameters: declare every parameter once, as a constexpr array of
//    ParameterRow (index, name, description, type, minimum, maximum,
//    default, resolution, folder, flags, display), plus the folders as
//    FolderRow; generators put NoteRow(index) first. Hand both to the base
//    constructor together with the MachineInfo, normally
//    MachineInfo::Builtin(kind, name, shortName) with what differs changed:
//
//        constexpr std::array<ParameterRow, 2> kRows{{
//            NoteRow(kNote),
//            {.index = kCutoff, .name = "Cutoff", .description = "Filter cutoff",
//             .defaultValue = 0.6, .format = FormatProportion},
//        }};
//        MyMachine() : BuiltinMachineBase(
//            MachineInfo::Builtin(kKindGenerator, "My Machine", "MyM"), ParameterTable{kRows}) {}
//
//    The base answers Describe (info, folders, every row) and FormatValue
//    (the row's `format`, or its enumeration `names`) from the table.
//
// 3. Override the hooks, all optional:
//    - Prepare(rate): set-up for a sample rate, called by Init (GUI thread,
//      project lock held). Size every buffer here; this is the place that
//      may allocate. Call it from the constructor too if the machine should
//      work before Init. The base then applies every default through
//      ApplyParameter, so the machine starts in its declared state.
//    - ApplyParameter(event): one parameter event, on the audio thread.
//    - PlayNote(note): one note event (velocity 0 is a key release; its
//      length in beats is note.noteLength, samplesPerBeat converts it).
//    - RenderSegment(record, from, to): write frames from..to-1 of every
//      output channel, reading the same frames of the inputs. Mono voices
//      render into a buffer of their own and call FanOut.
//
// 4. How events reach you: Work (audio thread, Node lock held; the base
//    owns it) splits the chunk at the event offsets. Before the segment that
//    starts at frame f it hands over every event whose offset is f (offsets
//    below 0 count as 0, past the chunk's end as its last frame; with
//    QuantizeEvents, whose offset lies in the block starting at f): first the
//    parameter events in their order, then per track the last note of the
//    frame. Events are dropped when their index is unknown, their track is
//    not below TrackCount() or their value is not a number; values outside
//    a row's range arrive clamped to it, except for enumerations, where a
//    value that names no entry is dropped. A chunk of 0 frames applies its
//    events and renders nothing. Nothing on this path may allocate, lock or
//    throw: mark the hooks noexcept.
//
// 5. State: a built-in keeps no opaque state. The Node's parameter store
//    holds every value, saves it with the project and replays it as events,
//    so the machine needs no SaveState. A machine that does keep more
//    (a machine-held parameter, flag kParamMachineHeld) overrides
//    SaveState, Init (calling BuiltinMachineBase::Init), GetParameterValue
//    and SetParameterValue itself. Stop(1) should silence every voice now.
//
// 6. Register it in src/machines/builtin/BuiltinMachines.cpp: replace the
//    null constructor of its name with &Construct<MyMachine>. The
//    conformance suite (tests/conformance) then checks it with no test code
//    of your own; add tests for what it sounds like.
class BuiltinMachineBase : public Machine {
public:
    ~BuiltinMachineBase() override = default;

    std::int32_t Init(const ByteBuffer& state) override;
    std::int32_t Work(const WorkRecord& record) noexcept override;
    std::int32_t Describe() override;
    std::int32_t FormatValue(std::int32_t index, double value, char* text) override;
    // Keeps the count within the described track range.
    std::int32_t SetTrackCount(std::int32_t count) override;

    const MachineInfo& Info() const { return info_; }
    const ParameterTable& Parameters() const { return table_; }
    std::int32_t TrackCount() const { return trackCount_; }

protected:
    BuiltinMachineBase(MachineInfo info, ParameterTable table);

    virtual void Prepare(double rate);
    virtual void ApplyParameter(const EventRecord& event) noexcept;
    virtual void PlayNote(const EventRecord& note) noexcept;
    virtual void RenderSegment(const WorkRecord& record, int from, int to) noexcept = 0;

    // Polyphonic machines call this in their constructor: every note of a
    // track and frame plays (a chord on one track), not only the last.
    void PlayEveryNote() noexcept { everyNote_ = true; }

    // Machines that work in blocks call this in their constructor: an event
    // takes effect at the start of the block of this many frames (counted
    // from the chunk's start) that it falls in, so segments start on block
    // boundaries.
    void QuantizeEvents(int frames) noexcept { eventGrid_ = std::max(frames, 1); }

    // Copies frames from..to-1 of one mono signal to every output channel
    // the machine describes; absent channels are skipped.
    void FanOut(const WorkRecord& record, const double* mono, int from, int to) const noexcept;

private:
    // Hands over the events from index next on that fall on frame (see
    // above) and answers the index of the first one left.
    int ApplyDueEvents(const WorkRecord& record, int next, int frame, int frames) noexcept;
    // The event as the machine should see it, or false to drop it.
    bool Admit(const EventRecord& event, EventRecord& admitted) const noexcept;
    // Brings the event's values into the row's range; false to drop it.
    static bool AdmitValue(const ParameterRow& row, EventRecord& event) noexcept;

    MachineInfo info_;
    ParameterTable table_;
    std::int32_t noteIndex_;
    std::int32_t trackCount_;
    bool everyNote_ = false;
    int eventGrid_ = 1;
};

} // namespace tarn
