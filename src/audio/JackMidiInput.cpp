#include "audio/JackMidiInput.h"

#include "audio/LiveNote.h"

#include <jack/midiport.h>

namespace tarn {
namespace {

void SilentJackMessage(const char*) {}

} // namespace

JackMidiInput::~JackMidiInput() {
    Close();
}

bool JackMidiInput::Open(MidiEventRing& ring) {
    if (client_ != nullptr) {
        return true;
    }
    // A missing server is an answer here; libjack would print it as an error.
    jack_set_error_function(&SilentJackMessage);
    jack_status_t status{};
    client_ = jack_client_open(kClientName, JackNoStartServer, &status);
    jack_set_error_function(nullptr);
    if (client_ == nullptr) {
        return false;
    }
    ring_ = &ring;
    parser_ = MidiParser();
    port_ = jack_port_register(client_, kPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    period_.store(static_cast<int>(jack_get_buffer_size(client_)));
    if (port_ == nullptr ||
        jack_set_process_callback(client_, &JackMidiInput::Process, this) != 0 ||
        jack_set_buffer_size_callback(client_, &JackMidiInput::PeriodChanged, this) != 0 ||
        jack_activate(client_) != 0) {
        Close();
        return false;
    }
    ConnectHardwareSources();
    return true;
}

// Every keyboard on the machine plays without a patchbay; a source that
// will not connect is left out.
void JackMidiInput::ConnectHardwareSources() {
    const char** sources = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                          JackPortIsPhysical | JackPortIsOutput);
    for (int i = 0; sources != nullptr && sources[i] != nullptr; ++i) {
        jack_connect(client_, sources[i], jack_port_name(port_));
    }
    jack_free(static_cast<void*>(sources));
}

void JackMidiInput::Close() {
    if (client_ == nullptr) {
        return;
    }
    // Returns once the callback has run for the last time.
    jack_client_close(client_);
    client_ = nullptr;
    port_ = nullptr;
    ring_ = nullptr;
}

std::vector<std::string> JackMidiInput::Sources() const {
    std::vector<std::string> names;
    if (port_ == nullptr) {
        return names;
    }
    const char** connections = jack_port_get_all_connections(client_, port_);
    for (int i = 0; connections != nullptr && connections[i] != nullptr; ++i) {
        names.emplace_back(connections[i]);
    }
    jack_free(static_cast<void*>(connections));
    return names;
}

std::uint32_t JackMidiInput::Now() const noexcept {
    return client_ != nullptr ? jack_frame_time(client_) : 0;
}

std::string JackMidiInput::PortName() const {
    return port_ != nullptr ? jack_port_name(port_) : std::string();
}

int JackMidiInput::Process(jack_nframes_t frames, void* self) {
    static_cast<JackMidiInput*>(self)->Receive(frames);
    return 0;
}

int JackMidiInput::PeriodChanged(jack_nframes_t frames, void* self) {
    static_cast<JackMidiInput*>(self)->period_.store(static_cast<int>(frames),
                                                     std::memory_order_relaxed);
    return 0;
}

void JackMidiInput::Receive(jack_nframes_t frames) noexcept {
    void* buffer = jack_port_get_buffer(port_, frames);
    const jack_nframes_t start = jack_last_frame_time(client_);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0) {
            continue;
        }
        for (std::size_t b = 0; b < event.size; ++b) {
            MidiMessage message;
            if (parser_.Feed(event.buffer[b], message) && DecodeMidiNote(message)) {
                message.timed = true;
                message.time = start + event.time;
                ring_->Push(message);
            }
        }
    }
}

} // namespace tarn
