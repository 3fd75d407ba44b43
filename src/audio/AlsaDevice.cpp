#include "audio/AlsaDevice.h"

#include "base/MessagePipe.h"

#include <cerrno>
#include <utility>

namespace tarn {
namespace {

void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

int CountSoundCards() {
    int cards = 0;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        ++cards;
    }
    return cards;
}

// Whether the PCM opens at all; ALSA's own complaints stay quiet, since a
// missing PCM is an answer here, not an error.
bool PcmOpens(const std::string& name) {
    snd_lib_error_set_handler(&SilentAlsaError);
    snd_pcm_t* pcm = nullptr;
    const bool opens =
        snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) == 0;
    if (opens) {
        snd_pcm_close(pcm);
    }
    snd_lib_error_set_handler(nullptr);
    return opens;
}

} // namespace

AlsaDevice::AlsaDevice(std::string pcmName) : pcmName_(std::move(pcmName)) {}

AlsaDevice::~AlsaDevice() {
    Close();
}

int AlsaDevice::DeviceCount() {
    const int cards = CountSoundCards();
    if (cards == 0 && PcmOpens(pcmName_)) {
        return 1;
    }
    return cards;
}

std::string AlsaDevice::Absence() const {
    return "ALSA: no sound card, and PCM '" + pcmName_ + "' cannot be opened";
}

bool AlsaDevice::Open(PcmFormat& format, std::string& /*refusal*/) {
    if (pcm_ != nullptr) {
        return true;
    }
    const int result = snd_pcm_open(&pcm_, pcmName_.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (result < 0) {
        MessageOut() << "ALSA: cannot open PCM '" << pcmName_ << "': " << snd_strerror(result)
                     << eol;
        pcm_ = nullptr;
        return false;
    }
    if (!Configure(format)) {
        Close();
        return false;
    }
    blockFrames_ = format.bufferFrames;
    channels_ = format.channels;
    framesWritten_.store(0, std::memory_order_relaxed);
    underruns_.store(0, std::memory_order_relaxed);
    MessageOut() << "ALSA: PCM '" << pcmName_ << "', " << sampleFormatName_ << ", "
                 << negotiated_.channels << " channels, " << negotiated_.sampleRate << " Hz, "
                 << negotiated_.bufferCount << " periods of " << negotiated_.bufferFrames
                 << " frames" << eol;
    if (format.lowLatency) {
        MessageOut() << "ALSA: low latency needs JACK; playing with the safe ring" << eol;
    }
    return true;
}

// Sample format, channels and rate must be exactly ours (ALSA's plug layer
// converts when the hardware differs); period size and count are wishes the
// hardware may round.
bool AlsaDevice::Configure(const PcmFormat& format) {
    snd_pcm_hw_params_t* hardware = nullptr;
    snd_pcm_hw_params_alloca(&hardware);
    unsigned int periods = static_cast<unsigned int>(format.bufferCount);
    snd_pcm_uframes_t periodFrames = static_cast<snd_pcm_uframes_t>(format.bufferFrames);
    int direction = 0;
    if (Refused(snd_pcm_hw_params_any(pcm_, hardware), "hardware parameters") ||
        Refused(snd_pcm_hw_params_set_access(pcm_, hardware, SND_PCM_ACCESS_RW_INTERLEAVED),
                "interleaved access") ||
        Refused(snd_pcm_hw_params_set_format(pcm_, hardware, SND_PCM_FORMAT_S16_LE),
                "format S16_LE") ||
        Refused(snd_pcm_hw_params_set_channels(pcm_, hardware,
                                               static_cast<unsigned int>(format.channels)),
                "channel count") ||
        Refused(snd_pcm_hw_params_set_rate(pcm_, hardware,
                                           static_cast<unsigned int>(format.sampleRate), 0),
                "sample rate") ||
        Refused(snd_pcm_hw_params_set_period_size_near(pcm_, hardware, &periodFrames, &direction),
                "period size") ||
        Refused(snd_pcm_hw_params_set_periods_near(pcm_, hardware, &periods, &direction),
                "period count") ||
        Refused(snd_pcm_hw_params(pcm_, hardware), "hardware set-up")) {
        return false;
    }

    snd_pcm_format_t sampleFormat = SND_PCM_FORMAT_UNKNOWN;
    unsigned int channels = 0;
    unsigned int rate = 0;
    snd_pcm_uframes_t bufferFrames = 0;
    snd_pcm_hw_params_get_format(hardware, &sampleFormat);
    snd_pcm_hw_params_get_channels(hardware, &channels);
    snd_pcm_hw_params_get_rate(hardware, &rate, &direction);
    snd_pcm_hw_params_get_period_size(hardware, &periodFrames, &direction);
    snd_pcm_hw_params_get_periods(hardware, &periods, &direction);
    snd_pcm_hw_params_get_buffer_size(hardware, &bufferFrames);
    sampleFormatName_ = snd_pcm_format_name(sampleFormat);
    negotiated_.sampleRate = static_cast<int>(rate);
    negotiated_.channels = static_cast<int>(channels);
    negotiated_.bufferFrames = static_cast<int>(periodFrames);
    negotiated_.bufferCount = static_cast<int>(periods);
    if (bufferFrames < static_cast<snd_pcm_uframes_t>(format.bufferFrames)) {
        MessageOut() << "ALSA: PCM '" << pcmName_ << "' buffer of " << bufferFrames
                     << " frames cannot hold one block" << eol;
        return false;
    }
    bufferFrames_ = bufferFrames;
    return ConfigureSoftware(bufferFrames);
}

// Playback begins once the whole ring is queued, so that the first blocks
// have the ring's full latency to be rendered in.
bool AlsaDevice::ConfigureSoftware(snd_pcm_uframes_t bufferFrames) {
    snd_pcm_sw_params_t* software = nullptr;
    snd_pcm_sw_params_alloca(&software);
    return !Refused(snd_pcm_sw_params_current(pcm_, software), "software parameters") &&
           !Refused(snd_pcm_sw_params_set_start_threshold(pcm_, software, bufferFrames),
                    "start threshold") &&
           !Refused(snd_pcm_sw_params(pcm_, software), "software set-up");
}

bool AlsaDevice::Refused(int result, const char* what) const {
    if (result >= 0) {
        return false;
    }
    MessageOut() << "ALSA: PCM '" << pcmName_ << "' refuses the " << what << ": "
                 << snd_strerror(result) << eol;
    return true;
}

double AlsaDevice::OutputLatency(const PcmFormat& /*format*/) const {
    return negotiated_.sampleRate > 0 ? static_cast<double>(bufferFrames_) / negotiated_.sampleRate
                                      : 0.0;
}

// Before the PCM has taken a whole buffer of this stream it has not started
// (its start threshold is the buffer), so it cannot run dry.
void AlsaDevice::StreamStarting() {
    streamStart_ = framesWritten_.load(std::memory_order_relaxed);
    streaming_.store(true, std::memory_order_relaxed);
}

void AlsaDevice::StreamStopped() {
    streaming_.store(false, std::memory_order_relaxed);
}

void AlsaDevice::Close() {
    if (pcm_ != nullptr) {
        snd_pcm_close(pcm_);
        pcm_ = nullptr;
    }
}

void AlsaDevice::Reset() {
    if (pcm_ != nullptr) {
        snd_pcm_drop(pcm_);
        snd_pcm_prepare(pcm_);
    }
}

bool AlsaDevice::IsDone(int /*index*/) {
    snd_pcm_sframes_t room = snd_pcm_avail(pcm_);
    if (room < 0) {
        // An underrun or a suspend: after recovery the ring is empty.
        return true;
    }
    return room >= blockFrames_;
}

bool AlsaDevice::Write(int /*index*/, const std::int16_t* samples) {
    snd_pcm_uframes_t left = static_cast<snd_pcm_uframes_t>(blockFrames_);
    while (left > 0) {
        const snd_pcm_sframes_t written = snd_pcm_writei(pcm_, samples, left);
        if (written == -EPIPE && streaming_.load(std::memory_order_relaxed) &&
            framesWritten_.load(std::memory_order_relaxed) - streamStart_ >= bufferFrames_) {
            underruns_.fetch_add(1, std::memory_order_relaxed);
        }
        if (written < 0) {
            if (snd_pcm_recover(pcm_, static_cast<int>(written), 1) < 0) {
                return false;
            }
            continue;
        }
        samples += written * channels_;
        left -= static_cast<snd_pcm_uframes_t>(written);
        framesWritten_.fetch_add(static_cast<std::uint64_t>(written), std::memory_order_relaxed);
    }
    return true;
}

} // namespace tarn
