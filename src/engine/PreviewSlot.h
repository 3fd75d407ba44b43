#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

namespace tarn {

// A decoded sound as the preview plays it: per channel FrameCount() 32-bit
// float samples at nominal full scale +-1.0. The wavetable wraps its own
// sound data in one.
class PreviewSound {
public:
    virtual ~PreviewSound() = default;
    virtual int ChannelCount() const = 0;
    virtual std::uint32_t FrameCount() const = 0;
    virtual const float* Channel(int channel) const = 0;
};

// The one sound preview of the studio: a sound chosen in the file browser,
// played once into the Master's outputs at half level without entering the
// project. Filled by the GUI thread under the preview lock; played by the
// work cycle, which only tries the lock, so a GUI thread holding it never
// stalls the output.
class PreviewSlot {
public:
    static constexpr double kLevel = 0.5;

    PreviewSlot();
    ~PreviewSlot();
    PreviewSlot(const PreviewSlot&) = delete;
    PreviewSlot& operator=(const PreviewSlot&) = delete;

    std::recursive_mutex& Lock() { return lock_; }

    // The caller holds Lock(). Replaces the sound (null silences the slot)
    // and starts it from its first frame; the old sound is destroyed here.
    void SetSound(std::unique_ptr<PreviewSound> sound);
    const PreviewSound* Sound() const { return sound_.get(); }
    // Frames already played.
    std::uint32_t Position() const { return position_; }

    // Audio thread: when the lock is free, adds the next frames of the sound
    // (at most frames of them) at half level into outputs[0] and outputs[1]
    // (as many of the two as channels gives) and moves on. Output c plays
    // sound channel c, or channel 0 for a sound with fewer channels. A sound
    // played to its end stays and adds nothing.
    void MixInto(double* const* outputs, int channels, int frames) noexcept;

private:
    std::recursive_mutex lock_;
    std::unique_ptr<PreviewSound> sound_;
    std::uint32_t position_ = 0;
};

} // namespace tarn
