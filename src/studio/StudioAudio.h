#pragma once

#include "audio/MidiInputList.h"
#include "audio/WaveOutDriver.h"

#include <memory>
#include <string_view>

namespace tarn {

class AudioDevice;
class CoreEngine;
class Studio;

// Hands device the engine's render callback (the attach message); link is
// what the device keeps and must outlive it.
void AttachRenderCallback(AudioDevice& device, CoreEngine& engine, HostLink& link);

// The studio's live audio: the output driver rendering the current project
// on its fill thread and the MIDI inputs playing the live Nodes. A device
// that cannot be opened is reported by the driver itself and the studio
// runs silent. Owner's (GUI) thread; the studio must outlive this object.
class StudioAudio {
public:
    // The backend of a studio that plays nothing (and whose live notes
    // wait in their queues).
    static constexpr std::string_view kNoBackend = "none";

    // Opens the output device of backend ("auto", "alsa" or "jack") with
    // the latency and transport modes, lets the engine keep time with the
    // device's transport and starts the fill thread; kNoBackend opens none.
    StudioAudio(Studio& studio, std::string_view backend, LatencyMode latency = LatencyMode::kSafe,
                TransportMode transport = TransportMode::kOff);
    // Closes the MIDI inputs, stops the fill thread and closes the device.
    ~StudioAudio();
    StudioAudio(const StudioAudio&) = delete;
    StudioAudio& operator=(const StudioAudio&) = delete;

    // Opens every MIDI input of the system and lets the engine drain them.
    void OpenMidiInputs();
    bool Playing() const { return driver_ != nullptr && driver_->IsRunning(); }
    // Stops the fill thread while another thread drives the engine (an
    // offline render), and starts it again; queued audio plays out. The
    // transport outside neither hears of the render nor moves it.
    void Pause();
    void Resume();

private:
    Studio& studio_;
    HostLink link_{};
    std::unique_ptr<WaveOutDriver> driver_;
    bool paused_ = false;
    MidiInputList midi_;
};

} // namespace tarn
