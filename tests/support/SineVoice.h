#pragma once

#include "machines/framework/Machine.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace tarn::test {

// What a SineVoice did, read by the test from its own thread while the
// audio thread works the voice.
struct SineVoiceLog {
    std::atomic<std::uint64_t> frames = 0;
    std::atomic<int> notes = 0;
};

// A generator that plays a sine at the pitch of the last note it was given,
// its phase running on across every change. What it plays therefore depends
// on the whole song so far: in a short song no stretch of frames repeats,
// so a frame lost, repeated or moved anywhere on the way to the speakers
// shows. Left is the sine, right the cosine at half the level, so the
// channels differ and the first frame is not silent.
class SineVoice : public Machine {
public:
    static constexpr std::int32_t kNoteParameter = 1;
    static constexpr double kLevel = 0.5;

    // log must outlive the voice.
    explicit SineVoice(SineVoiceLog& log) : log_(log) {}

    std::int32_t Work(const WorkRecord& record) noexcept override {
        int next = 0;
        for (int k = 0; k < record.frameCount; ++k) {
            for (; next < record.eventCount && record.events[next]->offset <= k; ++next) {
                Take(*record.events[next]);
            }
            phase_ = std::fmod(phase_ + step_, 2.0 * std::numbers::pi);
            record.outputs[0]->samples[k] = kLevel * std::sin(phase_);
            record.outputs[1]->samples[k] = 0.5 * kLevel * std::cos(phase_);
        }
        log_.frames.fetch_add(static_cast<std::uint64_t>(record.frameCount),
                              std::memory_order_relaxed);
        return 1;
    }

    std::int32_t Describe() override {
        MachineInfo info;
        info.kind = kKindGenerator;
        info.revision = 1;
        info.outputChannels = 2;
        info.minTracks = 1;
        info.maxTracks = 1;
        info.name = "Sine Voice";
        info.shortName = "Sine";
        DescribeInfo(info);
        DescribeParameter(kNoteParameter, ParameterDescriptor::Note("Note", "Played note"));
        return 1;
    }

private:
    // A note with velocity 0 is a key release and leaves the pitch alone.
    void Take(const EventRecord& event) noexcept {
        if (event.group != kGroupMachine || event.index != kNoteParameter ||
            event.velocity <= 0.0) {
            return;
        }
        // Note 57 is the A at 440 Hz.
        const double hertz = 440.0 * std::exp2((event.value - 57.0) / 12.0);
        step_ = 2.0 * std::numbers::pi * hertz / sampleRate;
        log_.notes.fetch_add(1, std::memory_order_relaxed);
    }

    SineVoiceLog& log_;
    double phase_ = 0.0;
    double step_ = 0.0; // radians per frame; silent (a constant) until the first note
};

} // namespace tarn::test
