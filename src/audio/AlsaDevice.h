#pragma once

#include "audio/PcmDevice.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace tarn {

// Playback through an ALSA PCM ("default" unless told otherwise) as
// interleaved S16_LE. The device's own buffer is the ring: a buffer counts
// as done when the PCM has room for one more block, and playback starts
// once the whole ring is queued. Underruns (for example after a stop) are
// recovered on the next query or write.
class AlsaDevice final : public PcmDevice {
public:
    explicit AlsaDevice(std::string pcmName = "default");
    ~AlsaDevice() override;

    // The number of sound cards; a system without cards whose PCM still
    // opens (a sound server or a null sink behind it) counts as one device.
    int DeviceCount() override;
    std::string Absence() const override;
    bool Open(PcmFormat& format, std::string& refusal) override;
    void Close() override;
    void Reset() override;
    bool IsDone(int index) override;
    bool Write(int index, const std::int16_t* samples) override;
    // The PCM's whole buffer as negotiated.
    double OutputLatency(const PcmFormat& format) const override;
    // Underruns of a stream that had started playing; the one a stop leaves
    // behind does not count.
    std::uint64_t Underruns() const override { return underruns_.load(std::memory_order_relaxed); }
    void StreamStarting() override;
    void StreamStopped() override;

    // What the PCM accepted at open: rate, channels, period size and count.
    const PcmFormat& Negotiated() const { return negotiated_; }
    // ALSA's name of the accepted sample format, e.g. "S16_LE".
    const std::string& SampleFormatName() const { return sampleFormatName_; }
    // Frames the PCM has taken since open; readable from any thread.
    std::uint64_t FramesWritten() const { return framesWritten_.load(std::memory_order_relaxed); }

private:
    bool Configure(const PcmFormat& format);
    bool ConfigureSoftware(snd_pcm_uframes_t bufferFrames);
    // Writes why the PCM refused a set-up step; true when it did.
    bool Refused(int result, const char* what) const;

    std::string pcmName_;
    snd_pcm_t* pcm_ = nullptr;
    int blockFrames_ = 0;
    int channels_ = 0;
    PcmFormat negotiated_;
    std::string sampleFormatName_;
    std::atomic<std::uint64_t> framesWritten_ = 0;
    std::atomic<std::uint64_t> underruns_ = 0;
    std::uint64_t bufferFrames_ = 0; // the PCM's whole buffer
    std::uint64_t streamStart_ = 0;  // framesWritten_ when the stream started
    std::atomic<bool> streaming_ = false;
};

} // namespace tarn
