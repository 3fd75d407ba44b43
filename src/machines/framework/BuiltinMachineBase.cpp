#include "machines/framework/BuiltinMachineBase.h"

#include "dsp/DspLibrary.h"
#include "machines/framework/ParameterDisplay.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarn {
namespace {

// The frame an event takes effect on: early ones at the chunk's start, late
// ones in its last frame rather than lost, and on a grid at the start of the
// cell the event falls in.
int EffectiveOffset(const EventRecord& event, int frames, int grid) noexcept {
    const int frame = std::clamp(event.offset, 0, std::max(frames - 1, 0));
    return frame - frame % grid;
}

double Clamp(double value, const ParameterRow& row) noexcept {
    return std::max(row.minimum, std::min(value, row.maximum));
}

} // namespace

BuiltinMachineBase::BuiltinMachineBase(MachineInfo info, ParameterTable table)
    : info_(std::move(info)), table_(table), noteIndex_(table.NoteIndex()),
      trackCount_(std::max(info_.minTracks, 1)) {}

std::int32_t BuiltinMachineBase::Init(const ByteBuffer&) {
    // A host that never sent its rate still gets a working machine.
    Prepare(sampleRate > 0.0 ? sampleRate : kDspSampleRate);
    const std::int32_t tracks = std::max(info_.maxTracks, 1);
    for (const ParameterRow& row : table_.Rows()) {
        if (row.type == kTypeNote) {
            continue;
        }
        const bool global = (row.flags & kParamGlobal) != 0;
        for (std::int32_t track = 0; track < (global ? 1 : tracks); ++track) {
            EventRecord event;
            event.group = kGroupMachine;
            event.index = static_cast<std::int16_t>(row.index);
            event.track = static_cast<std::int16_t>(track);
            event.value = row.defaultValue;
            event.endValue = row.defaultValue;
            if (AdmitValue(row, event)) {
                ApplyParameter(event);
            }
        }
    }
    return 1;
}

std::int32_t BuiltinMachineBase::Describe() {
    DescribeInfo(info_);
    for (const FolderRow& folder : table_.Folders()) {
        DescribeFolder(folder.index, ParameterTable::Folder(folder));
    }
    for (const ParameterRow& row : table_.Rows()) {
        DescribeParameter(row.index, ParameterTable::Descriptor(row));
    }
    return 1;
}

std::int32_t BuiltinMachineBase::FormatValue(std::int32_t index, double value, char* text) {
    return table_.Format(index, value, text);
}

std::int32_t BuiltinMachineBase::SetTrackCount(std::int32_t count) {
    trackCount_ = std::clamp(count, std::max(info_.minTracks, 1), std::max(info_.maxTracks, 1));
    return 1;
}

void BuiltinMachineBase::Prepare(double) {}
void BuiltinMachineBase::ApplyParameter(const EventRecord&) noexcept {}
void BuiltinMachineBase::PlayNote(const EventRecord&) noexcept {}

bool BuiltinMachineBase::Admit(const EventRecord& event, EventRecord& admitted) const noexcept {
    // A value that is not a number would poison a filter or a pitch for
    // good, so the event goes; so do events of tracks the machine does not
    // have and of indices it never described.
    if (event.track < 0 || event.track >= trackCount_) {
        return false;
    }
    const ParameterRow* row = table_.Find(event.index);
    if (row == nullptr) {
        return false;
    }
    admitted = event;
    return AdmitValue(*row, admitted);
}

bool BuiltinMachineBase::AdmitValue(const ParameterRow& row, EventRecord& event) noexcept {
    if (!std::isfinite(event.value)) {
        return false;
    }
    // An enumeration has no nearest entry to clamp to: a value that names
    // none changes nothing.
    const std::int32_t entry = TruncateValue(event.value);
    if (!row.names.empty() && (entry < 0 || static_cast<std::size_t>(entry) >= row.names.size())) {
        return false;
    }
    event.value = Clamp(event.value, row);
    event.endValue = std::isfinite(event.endValue) ? Clamp(event.endValue, row) : event.value;
    return true;
}

int BuiltinMachineBase::ApplyDueEvents(const WorkRecord& record, int next, int frame,
                                       int frames) noexcept {
    const int count = record.events != nullptr ? record.eventCount : 0;
    int end = next;
    while (end < count && (record.events[end] == nullptr ||
                           EffectiveOffset(*record.events[end], frames, eventGrid_) <= frame)) {
        ++end;
    }
    EventRecord admitted;
    for (int i = next; i < end; ++i) {
        const EventRecord* event = record.events[i];
        if (event != nullptr && event->index != noteIndex_ && Admit(*event, admitted)) {
            ApplyParameter(admitted);
        }
    }
    // Notes after the parameters of their frame, so that a note sees the
    // settings that come with it; of several notes on one track and frame
    // only the last one plays, unless the machine plays every note.
    for (int i = next; i < end; ++i) {
        const EventRecord* event = record.events[i];
        if (event == nullptr || event->index != noteIndex_ || !Admit(*event, admitted)) {
            continue;
        }
        bool overtaken = false;
        for (int later = i + 1; later < end && !overtaken && !everyNote_; ++later) {
            const EventRecord* other = record.events[later];
            overtaken = other != nullptr && other->index == noteIndex_ &&
                        other->track == event->track && std::isfinite(other->value);
        }
        if (!overtaken) {
            PlayNote(admitted);
        }
    }
    return end;
}

std::int32_t BuiltinMachineBase::Work(const WorkRecord& record) noexcept {
    const int frames = std::clamp(record.frameCount, 0, kMaxChunkFrames);
    const int count = record.events != nullptr ? record.eventCount : 0;
    int next = 0;
    int frame = 0;
    do {
        next = ApplyDueEvents(record, next, frame, frames);
        const int end =
            next < count ? EffectiveOffset(*record.events[next], frames, eventGrid_) : frames;
        if (end > frame) {
            RenderSegment(record, frame, end);
        }
        frame = end;
    } while (frame < frames);
    return 1;
}

void BuiltinMachineBase::FanOut(const WorkRecord& record, const double* mono, int from,
                                int to) const noexcept {
    if (record.outputs == nullptr) {
        return;
    }
    for (int channel = 0; channel < info_.outputChannels; ++channel) {
        const ChannelBufferRecord* output = record.outputs[channel];
        if (output != nullptr && output->samples != nullptr) {
            std::copy(mono + from, mono + to, output->samples + from);
        }
    }
}

} // namespace tarn
