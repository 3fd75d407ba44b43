#include "sequencing/PatternList.h"

#include "base/MessagePipe.h"

namespace tarn {

int PatternList::Create(int number, int length, int ticksPerBeat, std::uint32_t colour,
                        int machineTracks, int mixerTracks) {
    if (number > kMaxNumber || number < -1) {
        ErrorOut() << "error: pattern number " << number << " is out of range" << eol;
        return -1;
    }
    auto pattern = std::make_unique<Pattern>();
    pattern->Reset(length, ticksPerBeat, colour);
    pattern->EnsureTracks(kGroupMachine, machineTracks);
    pattern->EnsureTracks(kGroupSystem, 1);
    pattern->EnsureTracks(kGroupInputMixer, mixerTracks);
    return patterns_.Place(number, std::move(pattern));
}

int PatternList::Copy(int number) {
    const Pattern* source = Get(number);
    if (source == nullptr) {
        return -1;
    }
    auto copy = std::make_unique<Pattern>();
    copy->CopyFrom(*source);
    return patterns_.Add(std::move(copy));
}

std::unique_ptr<Pattern> PatternList::Put(int number, std::unique_ptr<Pattern> pattern) {
    if (number < 0 || number > kMaxNumber) {
        return pattern;
    }
    return patterns_.Put(number, std::move(pattern));
}

void PatternList::TrackCountChanged(int group, int count) {
    for (auto [number, pattern] : patterns_) {
        pattern->EnsureTracks(group, count);
    }
}

void PatternList::ConnectionAdded(int index) {
    for (auto [number, pattern] : patterns_) {
        pattern->EnsureTracks(kGroupInputMixer, index + 1);
    }
}

} // namespace tarn
