#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarn {

class TransportLink;

// How the song keeps time with a transport outside the studio (setting
// "audio.transport", `tarn play --transport`): kOff ignores it; kFollow
// starts, stops and moves the song with it, and starts and stops it with
// the song; kLead does the same and publishes bar, beat, tick and tempo
// from the song besides (JACK's timebase master). A device without a
// transport (ALSA) plays every mode as kOff.
enum class TransportMode { kOff, kFollow, kLead };
// "off", "follow" or "lead"; nothing for any other text.
std::optional<TransportMode> ParseTransportMode(std::string_view text);

// The one stream layout the driver plays: interleaved signed 16-bit stereo,
// queued as bufferCount buffers of bufferFrames frames each.
struct PcmFormat {
    int sampleRate = 44100;
    int channels = 2;
    int bufferFrames = 800;
    int bufferCount = 10;
    // Asks a device that plays in periods of its own (JACK) to render in
    // step with them: it sets bufferFrames and bufferCount to what it then
    // plays with. Devices that cannot keep the buffers as asked.
    bool lowLatency = false;
    TransportMode transport = TransportMode::kOff;
};

// A system playback stream as the output driver needs it: a ring of
// fixed-size buffers, each either queued with the device or done (free for
// the next block). The driver keeps its logic above this interface so that
// it runs unchanged on ALSA, JACK and the hardware-free device of the tests.
//
// Threads: DeviceCount, Open, Close, Reset, StreamStarting and StreamStopped
// are called from the owner's thread while no fill thread runs, except
// StreamStopped, which follows the end of the fill thread. IsDone, Write and
// Wait are called from the fill thread only and must not allocate or block
// on anything but the device.
class PcmDevice {
public:
    PcmDevice() = default;
    virtual ~PcmDevice() = default;
    PcmDevice(const PcmDevice&) = delete;
    PcmDevice& operator=(const PcmDevice&) = delete;

    // Number of playback devices the system offers; 0 means nothing can play.
    virtual int DeviceCount() = 0;
    // Why DeviceCount found nothing, naming the backend ("JACK: no server
    // is running"), for the line that tells the user.
    virtual std::string Absence() const { return "no playback device was found"; }
    // Opens the stream in this format (with lowLatency, perhaps changing the
    // buffers as described there). On failure it answers false
    // and may put the reason into `refusal` (a line without the "error: "
    // prefix); an empty refusal means the caller reports a plain failure.
    virtual bool Open(PcmFormat& format, std::string& refusal) = 0;
    virtual void Close() = 0;
    // Drops everything queued; afterwards every buffer is done.
    virtual void Reset() = 0;

    // Whether buffer `index` may be filled and written again. A device in an
    // unrecoverable state answers true, so that the following Write reports
    // the failure.
    virtual bool IsDone(int index) = 0;
    // Queues one buffer: bufferFrames interleaved frames. False ends playback.
    virtual bool Write(int index, const std::int16_t* samples) = 0;
    // Called when every done buffer has been queued again; sleeps about 1 ms.
    virtual void Wait();

    // Seconds from a block's write until it is heard: by default the ring of
    // `format`, which the device keeps queued. Only while open.
    virtual double OutputLatency(const PcmFormat& format) const;
    // Times the stream ran dry while the fill thread was running, since the
    // device was opened; any thread.
    virtual std::uint64_t Underruns() const { return 0; }

    // The fill thread is about to start or has ended. A device that pulls
    // its data from the ring itself uses them to tell a starved stream from
    // one that was stopped on purpose.
    virtual void StreamStarting() {}
    virtual void StreamStopped() {}

    // The transport the song keeps time with through this device, while it
    // is open with a transport mode other than kOff; null otherwise.
    virtual TransportLink* Transport() { return nullptr; }
};

} // namespace tarn
