#include "audio/JackMidiSender.h"

#include "audio/WaitUntil.h"

#include <jack/midiport.h>

#include <algorithm>
#include <chrono>

namespace tarn::test {
namespace {

constexpr auto kPatience = std::chrono::seconds(10);

} // namespace

JackMidiSender::JackMidiSender() {
    jack_status_t status{};
    client_ = jack_client_open("tarn-keys", JackNoStartServer, &status);
    if (client_ == nullptr) {
        return;
    }
    out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (out_ == nullptr ||
        jack_set_process_callback(client_, &JackMidiSender::Process, this) != 0 ||
        jack_activate(client_) != 0) {
        jack_client_close(client_);
        client_ = nullptr;
    }
}

JackMidiSender::~JackMidiSender() {
    if (client_ != nullptr) {
        jack_client_close(client_);
    }
}

bool JackMidiSender::ConnectTo(const std::string& port) {
    if (jack_connect(client_, jack_port_name(out_), port.c_str()) != 0) {
        return false;
    }
    return WaitUntil([&] { return jack_port_connected_to(out_, port.c_str()) != 0; }, kPatience);
}

std::uint32_t JackMidiSender::Send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                                   int offset) {
    message_ = {status, data1, data2};
    offset_.store(offset, std::memory_order_relaxed);
    pending_.store(true, std::memory_order_release);
    if (!WaitUntil([&] { return !pending_.load(std::memory_order_acquire); }, kPatience)) {
        return 0;
    }
    return sentAt_.load(std::memory_order_acquire);
}

int JackMidiSender::Process(jack_nframes_t frames, void* self) {
    auto* sender = static_cast<JackMidiSender*>(self);
    void* buffer = jack_port_get_buffer(sender->out_, frames);
    jack_midi_clear_buffer(buffer);
    if (!sender->pending_.load(std::memory_order_acquire)) {
        return 0;
    }
    const auto offset = static_cast<jack_nframes_t>(std::clamp(
        sender->offset_.load(std::memory_order_relaxed), 0, static_cast<int>(frames) - 1));
    jack_midi_event_write(buffer, offset, sender->message_.data(), sender->message_.size());
    sender->sentAt_.store(jack_last_frame_time(sender->client_) + offset,
                          std::memory_order_release);
    sender->pending_.store(false, std::memory_order_release);
    return 0;
}

} // namespace tarn::test
