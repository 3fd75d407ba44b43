#pragma once

#include "audio/MidiInput.h"

#include <memory>

namespace tarn::test {

// What a TestMidiInput was asked; shared so that the test still reads it
// once the list has dropped the input.
struct TestMidiInputState {
    bool refuse = false; // Open fails
    bool timed = false;
    std::uint32_t now = 0;
    int period = 0;
    int opens = 0;
    int closes = 0;
    MidiEventRing* ring = nullptr; // while open
};

// A hardware-free MIDI input: the test plays into its ring and sets its
// clock by hand.
class TestMidiInput final : public MidiInput {
public:
    explicit TestMidiInput(std::shared_ptr<TestMidiInputState> state) : state_(std::move(state)) {}
    ~TestMidiInput() override { Close(); }

    bool Open(MidiEventRing& ring) override {
        ++state_->opens;
        if (state_->refuse) {
            return false;
        }
        state_->ring = &ring;
        return true;
    }
    void Close() override {
        if (state_->ring != nullptr) {
            ++state_->closes;
            state_->ring = nullptr;
        }
    }
    std::vector<std::string> Sources() const override { return {"test"}; }
    bool Timed() const noexcept override { return state_->timed; }
    std::uint32_t Now() const noexcept override { return state_->now; }
    int Period() const noexcept override { return state_->period; }

private:
    std::shared_ptr<TestMidiInputState> state_;
};

} // namespace tarn::test
