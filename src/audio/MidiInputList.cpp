#include "audio/MidiInputList.h"

#include "audio/AlsaMidiInput.h"
#include "audio/JackMidiInput.h"
#include "audio/LiveNote.h"

#include <algorithm>

namespace tarn {

MidiInputList::~MidiInputList() {
    Close();
}

bool MidiInputList::Add(std::unique_ptr<MidiInput> input) {
    if (input == nullptr || slots_.size() >= kCapacity) {
        return false;
    }
    auto ring = std::make_unique<MidiEventRing>();
    if (!input->Open(*ring)) {
        return false;
    }
    slots_.push_back(Slot{std::move(input), std::move(ring), {}});
    return true;
}

int MidiInputList::OpenSystemInputs() {
    int kept = Add(std::make_unique<AlsaMidiInput>()) ? 1 : 0;
    kept += Add(std::make_unique<JackMidiInput>()) ? 1 : 0;
    return kept;
}

void MidiInputList::Close() {
    for (Slot& slot : slots_) {
        slot.input->Close();
    }
    slots_.clear();
}

void MidiInputList::TakeLiveInput(Project& project, std::uint64_t frame, int frames) noexcept {
    for (Slot& slot : slots_) {
        Drain(project, slot, static_cast<std::uint32_t>(frame), frames);
    }
}

// Frames are counted modulo 2^32 on both clocks; only differences count.
void MidiInputList::Drain(Project& project, Slot& slot, std::uint32_t frame, int frames) noexcept {
    std::int32_t delay = 0;
    if (slot.input->Timed()) {
        const auto lead = static_cast<std::int32_t>(frame - slot.input->Now());
        delay = slot.lead.Update(lead, frame, frames) + slot.input->Period();
    }
    for (int taken = 0; taken < kNotesPerChunk; ++taken) {
        const MidiMessage* message = slot.ring->Peek();
        if (message == nullptr) {
            return;
        }
        int offset = 0;
        if (message->timed) {
            const auto due = static_cast<std::int32_t>(message->time + delay - frame);
            if (due >= frames) {
                return; // a later chunk's
            }
            offset = std::max(due, 0);
        }
        if (const std::optional<LiveNote> note = DecodeMidiNote(*message)) {
            SendLiveNote(project, *note, offset);
        }
        slot.ring->Pop();
    }
}

} // namespace tarn
