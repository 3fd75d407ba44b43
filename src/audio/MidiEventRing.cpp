#include "audio/MidiEventRing.h"

namespace tarn {

bool MidiEventRing::Push(const MidiMessage& message) noexcept {
    const std::size_t written = written_.load(std::memory_order_relaxed);
    if (written - read_.load(std::memory_order_acquire) >= kCapacity) {
        return false;
    }
    slots_[written % kCapacity] = message;
    written_.store(written + 1, std::memory_order_release);
    return true;
}

const MidiMessage* MidiEventRing::Peek() const noexcept {
    const std::size_t read = read_.load(std::memory_order_relaxed);
    if (read == written_.load(std::memory_order_acquire)) {
        return nullptr;
    }
    return &slots_[read % kCapacity];
}

void MidiEventRing::Pop() noexcept {
    const std::size_t read = read_.load(std::memory_order_relaxed);
    if (read != written_.load(std::memory_order_acquire)) {
        read_.store(read + 1, std::memory_order_release);
    }
}

void MidiEventRing::Clear() noexcept {
    read_.store(written_.load(std::memory_order_acquire), std::memory_order_release);
}

} // namespace tarn
