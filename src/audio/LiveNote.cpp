#include "audio/LiveNote.h"

#include "engine/Project.h"
#include "tarn/MachineAbi.h"

#include <algorithm>

namespace tarn {
namespace {

constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;

} // namespace

std::optional<LiveNote> DecodeMidiNote(const MidiMessage& message) noexcept {
    const std::uint8_t kind = message.status & 0xF0;
    if (kind != kNoteOn && kind != kNoteOff) {
        return std::nullopt;
    }
    LiveNote note;
    note.value = message.data1 - kMidiNoteShift;
    note.gate = kind == kNoteOn && message.data2 != 0 ? 1.0 : 0.0;
    return note;
}

int SendLiveNote(Project& project, const LiveNote& note, int offset) noexcept {
    int taken = 0;
    for (auto [id, node] : project.Nodes()) {
        if (!node->LiveInput() || node->NoteParameter() < 0) {
            continue;
        }
        const std::int32_t index = node->NoteParameter();
        const ParameterDescriptor* descriptor = node->FindParameter(kGroupMachine, index);
        LiveEventQueue& queue = node->LiveEvents();
        if (descriptor == nullptr || !queue.HasRoom()) {
            continue;
        }
        const double value = std::clamp(static_cast<double>(note.value), descriptor->minimum,
                                        std::max(descriptor->minimum, descriptor->maximum));
        queue.Queue(kGroupMachine, 0, static_cast<std::int16_t>(index), value, 0.0, note.gate, true,
                    false, offset);
        ++taken;
    }
    return taken;
}

} // namespace tarn
