#include "studio/StudioAudio.h"

#include "audio/PcmDeviceSelection.h"
#include "base/MessagePipe.h"
#include "engine/Project.h"
#include "studio/Studio.h"

namespace tarn {

void AttachRenderCallback(AudioDevice& device, CoreEngine& engine, HostLink& link) {
    link = engine.RenderLink();
    MachineMessage attach;
    attach.messageType = kMsgAttachHost;
    attach.pointer = &link;
    device.HandleMessage(&attach);
}

StudioAudio::StudioAudio(Studio& studio, std::string_view backend, LatencyMode latency,
                         TransportMode transport)
    : studio_(studio) {
    if (backend == kNoBackend) {
        MessageOut() << "audio output is off (audio.backend is \"none\")" << eol;
        return;
    }
    std::unique_ptr<PcmDevice> device = SelectPcmDevice(backend);
    if (device == nullptr) {
        return;
    }
    driver_ = std::make_unique<WaveOutDriver>(std::move(device), latency, transport);
    AttachRenderCallback(*driver_, studio.Engine(), link_);
    if (driver_->Open() != 0) {
        studio.Engine().AttachTransport(driver_->Transport());
        driver_->Start();
    }
}

StudioAudio::~StudioAudio() {
    studio_.Engine().AttachLiveInput(nullptr);
    midi_.Close();
    if (driver_ != nullptr) {
        driver_->Stop();
        studio_.Engine().AttachTransport(nullptr);
        driver_->Close();
    }
}

void StudioAudio::Pause() {
    paused_ = Playing();
    if (paused_) {
        driver_->Stop();
        studio_.Engine().AttachTransport(nullptr);
    }
}

void StudioAudio::Resume() {
    if (paused_) {
        studio_.Engine().AttachTransport(driver_->Transport());
        driver_->Start();
        paused_ = false;
    }
}

void StudioAudio::OpenMidiInputs() {
    midi_.OpenSystemInputs();
    studio_.Engine().AttachLiveInput(&midi_);
}

} // namespace tarn
