#include "engine/SongTransport.h"

#include <algorithm>

namespace tarn {

void SongTransport::PlaySong() noexcept {
    position = songStart;
    flags = (flags & ~(kLoopActive | kStopped | kSpare)) | kPlaying;
}

void SongTransport::PlaySongFrom(double beat) noexcept {
    PlaySong();
    position = beat;
}

void SongTransport::PlayLoop() noexcept {
    position = loopStart;
    flags = (flags & ~(kStopped | kSpare)) | kPlaying | kLoopActive;
}

void SongTransport::MarkStopped() noexcept {
    flags = (flags & ~(kPlaying | kLoopActive | kSpare)) | kStopped;
}

double SongTransport::ChunkEnd(int frames, double beatsPerSample) const noexcept {
    const double end = position + frames * beatsPerSample;
    return std::min(end, LoopActive() ? loopEnd : songEnd);
}

bool SongTransport::Advance(int frames, double beatsPerSample) noexcept {
    if (Playing()) {
        position += frames * beatsPerSample;
    }
    const double end = LoopActive() ? loopEnd : songEnd;
    if (position < end) {
        return false;
    }
    if (Repeat()) {
        position = LoopActive() ? loopStart : songStart;
        return false;
    }
    return true;
}

} // namespace tarn
