#include "audio/JackCaptureClient.h"

#include "audio/WaitUntil.h"

#include <algorithm>
#include <chrono>

namespace tarn::test {
namespace {

constexpr auto kConnectionPatience = std::chrono::seconds(10);

} // namespace

JackCaptureClient::JackCaptureClient(std::size_t capacityFrames) {
    for (auto& channel : recorded_) {
        channel.assign(capacityFrames, 0.0f);
    }
    jack_status_t status{};
    client_ = jack_client_open("tarn-capture", JackNoStartServer, &status);
    if (client_ == nullptr) {
        return;
    }
    inputs_[0] = jack_port_register(client_, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    inputs_[1] = jack_port_register(client_, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    if (inputs_[0] == nullptr || inputs_[1] == nullptr ||
        jack_set_process_callback(client_, &JackCaptureClient::Process, this) != 0 ||
        jack_set_xrun_callback(client_, &JackCaptureClient::Xrun, this) != 0 ||
        jack_activate(client_) != 0) {
        Close();
    }
}

JackCaptureClient::~JackCaptureClient() {
    Close();
}

// A new connection reaches the graph the server runs only at the start of a
// later cycle; until then the port records silence.
bool JackCaptureClient::Listen(const std::string& source, int channel) {
    jack_port_t* input = inputs_[channel];
    if (jack_connect(client_, source.c_str(), jack_port_name(input)) != 0) {
        return false;
    }
    return WaitUntil([&] { return jack_port_connected_to(input, source.c_str()) != 0; },
                     kConnectionPatience);
}

std::vector<std::string> JackCaptureClient::ConnectionsOf(const std::string& port) const {
    std::vector<std::string> names;
    const jack_port_t* found = jack_port_by_name(client_, port.c_str());
    if (found == nullptr) {
        return names;
    }
    const char** connections = jack_port_get_all_connections(client_, found);
    for (int i = 0; connections != nullptr && connections[i] != nullptr; ++i) {
        names.emplace_back(connections[i]);
    }
    jack_free(static_cast<void*>(connections));
    std::sort(names.begin(), names.end());
    return names;
}

bool JackCaptureClient::PortExists(const std::string& port) const {
    return jack_port_by_name(client_, port.c_str()) != nullptr;
}

void JackCaptureClient::Close() {
    if (client_ != nullptr) {
        jack_client_close(client_);
        client_ = nullptr;
    }
}

int JackCaptureClient::Xrun(void* self) {
    static_cast<JackCaptureClient*>(self)->xruns_.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

int JackCaptureClient::Process(jack_nframes_t frames, void* self) {
    auto* capture = static_cast<JackCaptureClient*>(self);
    const std::size_t start = capture->frames_.load(std::memory_order_relaxed);
    const std::size_t count = std::min<std::size_t>(frames, capture->recorded_[0].size() - start);
    if (start == 0) {
        capture->firstFrameTime_.store(jack_last_frame_time(capture->client_),
                                       std::memory_order_release);
    }
    for (int channel = 0; channel < 2; ++channel) {
        const auto* in =
            static_cast<const float*>(jack_port_get_buffer(capture->inputs_[channel], frames));
        std::copy_n(in, count, capture->recorded_[channel].begin() + start);
    }
    capture->frames_.store(start + count, std::memory_order_release);
    return 0;
}

} // namespace tarn::test
