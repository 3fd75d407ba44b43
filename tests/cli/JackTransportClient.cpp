#include "cli/JackTransportClient.h"

#include "audio/WaitUntil.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>

namespace tarn::test {
namespace {

constexpr auto kPatience = std::chrono::seconds(10);

} // namespace

JackTransportClient::JackTransportClient(std::size_t capacityFrames)
    : level_(capacityFrames, 0.0f), transportFrame_(capacityFrames, 0),
      rolling_(capacityFrames, 0) {
    jack_status_t status{};
    client_ = jack_client_open("tarn-transport", JackNoStartServer, &status);
    if (client_ == nullptr) {
        return;
    }
    inputs_[0] = jack_port_register(client_, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    inputs_[1] = jack_port_register(client_, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    if (inputs_[0] == nullptr || inputs_[1] == nullptr ||
        jack_set_process_callback(client_, &JackTransportClient::Process, this) != 0 ||
        jack_activate(client_) != 0) {
        Close();
    }
}

JackTransportClient::~JackTransportClient() {
    Close();
}

bool JackTransportClient::Listen(const std::string& client) {
    for (int channel = 0; channel < 2; ++channel) {
        const std::string source = client + ":out_" + std::to_string(channel + 1);
        jack_port_t* input = inputs_[channel];
        // The ports exist before their client is active, and only then
        // connect.
        if (!WaitUntil(
                [&] {
                    const int result = jack_connect(client_, source.c_str(), jack_port_name(input));
                    return result == 0 || result == EEXIST;
                },
                kPatience) ||
            !WaitUntil([&] { return jack_port_connected_to(input, source.c_str()) != 0; },
                       kPatience)) {
            return false;
        }
    }
    return true;
}

bool JackTransportClient::WaitForState(jack_transport_state_t state) const {
    return WaitUntil(
        [&] {
            jack_position_t position{};
            return Query(position) == state;
        },
        kPatience);
}

bool JackTransportClient::WaitFrames(std::size_t frames) const {
    const std::size_t until = Frames() + frames;
    return WaitUntil([&] { return Frames() >= until || Frames() == level_.size(); },
                     kPatience + std::chrono::milliseconds(frames * 1000 / 44100));
}

void JackTransportClient::Close() {
    if (client_ != nullptr) {
        jack_client_close(client_);
        client_ = nullptr;
    }
}

int JackTransportClient::Process(jack_nframes_t frames, void* self) {
    auto& client = *static_cast<JackTransportClient*>(self);
    const std::size_t done = client.frames_.load(std::memory_order_relaxed);
    const std::size_t count = std::min<std::size_t>(frames, client.level_.size() - done);
    jack_position_t position{};
    const bool rolling = jack_transport_query(client.client_, &position) == JackTransportRolling;
    const auto* left = static_cast<const float*>(jack_port_get_buffer(client.inputs_[0], frames));
    const auto* right = static_cast<const float*>(jack_port_get_buffer(client.inputs_[1], frames));
    for (std::size_t i = 0; i < count; ++i) {
        client.level_[done + i] = std::max(std::fabs(left[i]), std::fabs(right[i]));
        client.transportFrame_[done + i] =
            position.frame + (rolling ? static_cast<std::uint32_t>(i) : 0);
        client.rolling_[done + i] = rolling ? 1 : 0;
    }
    client.frames_.store(done + count, std::memory_order_release);
    return 0;
}

} // namespace tarn::test
