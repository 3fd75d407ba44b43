#pragma once

#include "dsp/BalanceGains.h"
#include "dsp/DspLibrary.h"
#include "machines/framework/BuiltinMachineBase.h"
#include "machines/framework/WaveView.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Tracker": plays wavetable waves on up to 255 tracks, one voice per
// track, each with its own wave, volume and balance. Note 48 plays a wave
// at its own rate. Two command columns change how a note that starts on the
// same track and frame plays: from an offset into the wave, stretched to a
// number of beats, or backwards. Whenever any track starts a note, every
// track's commands are used up.
//
// Voices keep wave numbers and play positions between Work calls; the wave
// data itself is asked for again in every call (see WaveView), and every
// read stays inside whatever wave the slot holds by then.
class Tracker : public BuiltinMachineBase {
public:
    static constexpr int kMaxTracks = 255;

    enum Parameter : std::int32_t {
        kNote = 0,
        kWave = 3,
        kVolume = 5,
        kPan = 6,
        kCommand1 = 10,
        kValue1 = 11,
        kCommand2 = 20,
        kValue2 = 21,
        kUseNoteLength = 50,
    };
    enum Command : int {
        kSampleOffset = 0,
        kBeatFit = 1,
        kReverseBeatFit = 2,
        kSampleReverse = 3,
    };

    Tracker();

    std::int32_t Init(const ByteBuffer& state) override;
    std::int32_t Work(const WorkRecord& record) noexcept override;
    // Mode 1 stops every voice at once.
    std::int32_t Stop(std::int32_t mode) override;

private:
    struct Voice {
        // The note that starts at the current frame, copied from its event.
        bool notePending = false;
        double note = 0.0;
        double noteLength = 0.0; // beats
        double velocity = 0.0;

        int wave = -1;
        int command1 = -1;
        int value1 = 0;
        int command2 = -1;
        int value2 = 0;

        bool playing = false;
        bool reverse = false;
        double position = 0.0; // frames of the wave
        double step = 0.0;     // frames of the wave per output frame
        std::int32_t remaining = 0;
        double volume = 1.0;
        BalanceGains gains;
        WaveView data; // valid during the Work call that fetched it
    };

    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void PlayNote(const EventRecord& note) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

    void StartNotes() noexcept;
    static void UseUpCommands(Voice& voice) noexcept;
    void StartNote(Voice& voice) noexcept;
    void ApplyCommand(Voice& voice, int command, int value) const noexcept;

    double rate_ = kDspSampleRate;
    bool useNoteLength_ = false;
    bool noteArrived_ = false;
    std::array<Voice, kMaxTracks + 1> voices_{};
};

} // namespace tarn
