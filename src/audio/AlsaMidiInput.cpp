#include "audio/AlsaMidiInput.h"

#include "audio/LiveNote.h"
#include "base/MessagePipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace tarn {
namespace {

constexpr unsigned kReadable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;

// libasound prints its own errors to stderr; the studio says what matters.
void SilentAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

} // namespace

AlsaMidiInput::~AlsaMidiInput() {
    Close();
}

bool AlsaMidiInput::Open(MidiEventRing& ring) {
    if (seq_ != nullptr) {
        return true;
    }
    snd_lib_error_set_handler(&SilentAlsaMessage);
    const int opened = snd_seq_open(&seq_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
    snd_lib_error_set_handler(nullptr);
    if (opened < 0) {
        seq_ = nullptr;
        MessageOut() << "ALSA sequencer not available (" << snd_strerror(opened)
                     << "): no MIDI input through ALSA" << eol;
        return false;
    }
    snd_seq_set_client_name(seq_, kClientName);
    client_ = snd_seq_client_id(seq_);
    port_ = snd_seq_create_simple_port(
        seq_, kClientName, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port_ < 0 || pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        MessageOut() << "ALSA sequencer: cannot create the input port" << eol;
        Close();
        return false;
    }
    snd_seq_connect_from(seq_, port_, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
    ring_ = &ring;
    SubscribeAll();
    reader_ = std::thread([this] { ReadLoop(); });
    return true;
}

void AlsaMidiInput::SubscribeAll() {
    snd_seq_client_info_t* clientInfo = nullptr;
    snd_seq_port_info_t* portInfo = nullptr;
    snd_seq_client_info_alloca(&clientInfo);
    snd_seq_port_info_alloca(&portInfo);
    snd_seq_client_info_set_client(clientInfo, -1);
    while (snd_seq_query_next_client(seq_, clientInfo) >= 0) {
        const int client = snd_seq_client_info_get_client(clientInfo);
        snd_seq_port_info_set_client(portInfo, client);
        snd_seq_port_info_set_port(portInfo, -1);
        while (snd_seq_query_next_port(seq_, portInfo) >= 0) {
            Subscribe(client, snd_seq_port_info_get_port(portInfo));
        }
    }
}

void AlsaMidiInput::Subscribe(int client, int port) {
    if (client == client_ || client == SND_SEQ_CLIENT_SYSTEM) {
        return;
    }
    snd_seq_port_info_t* info = nullptr;
    snd_seq_port_info_alloca(&info);
    if (snd_seq_get_any_port_info(seq_, client, port, info) < 0 ||
        (snd_seq_port_info_get_capability(info) & kReadable) != kReadable ||
        (snd_seq_port_info_get_capability(info) & SND_SEQ_PORT_CAP_NO_EXPORT) != 0 ||
        snd_seq_connect_from(seq_, port_, client, port) < 0) {
        return;
    }
    std::lock_guard hold(sourcesLock_);
    sources_.push_back(std::to_string(client) + ":" + std::to_string(port) + " " +
                       snd_seq_port_info_get_name(info));
}

void AlsaMidiInput::ReadLoop() noexcept {
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    std::vector<pollfd> descriptors(static_cast<std::size_t>(count) + 1);
    snd_seq_poll_descriptors(seq_, descriptors.data(), static_cast<unsigned>(count), POLLIN);
    descriptors[static_cast<std::size_t>(count)] = pollfd{wake_[0], POLLIN, 0};
    for (;;) {
        if (poll(descriptors.data(), descriptors.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        if (descriptors.back().revents != 0) {
            return; // Close
        }
        snd_seq_event_t* event = nullptr;
        int left = 0;
        // -ENOSPC reports events the kernel dropped in a flood; reading goes
        // on with what is there.
        while ((left = snd_seq_event_input(seq_, &event)) >= 0 || left == -ENOSPC) {
            if (event != nullptr && left >= 0) {
                Handle(*event);
            }
        }
    }
}

void AlsaMidiInput::Handle(const snd_seq_event_t& event) noexcept {
    MidiMessage message;
    switch (event.type) {
    case SND_SEQ_EVENT_NOTEON:
    case SND_SEQ_EVENT_NOTEOFF:
        message.status =
            static_cast<std::uint8_t>((event.type == SND_SEQ_EVENT_NOTEON ? kNoteOn : kNoteOff) |
                                      (event.data.note.channel & 0x0F));
        message.data1 = event.data.note.note & 0x7F;
        message.data2 = event.data.note.velocity & 0x7F;
        ring_->Push(message);
        break;
    case SND_SEQ_EVENT_PORT_START:
        try {
            Subscribe(event.data.addr.client, event.data.addr.port);
        } catch (...) {
            // Out of memory for the source's name: the port still plays.
        }
        break;
    default:
        break; // controllers, clock, system messages: not played
    }
}

void AlsaMidiInput::Close() {
    if (reader_.joinable()) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = write(wake_[1], &wake, 1);
        reader_.join();
    }
    for (int& end : wake_) {
        if (end >= 0) {
            close(end);
            end = -1;
        }
    }
    if (seq_ != nullptr) {
        snd_seq_close(seq_);
        seq_ = nullptr;
    }
    client_ = -1;
    port_ = -1;
    ring_ = nullptr;
    std::lock_guard hold(sourcesLock_);
    sources_.clear();
}

std::vector<std::string> AlsaMidiInput::Sources() const {
    std::lock_guard hold(sourcesLock_);
    return sources_;
}

} // namespace tarn
