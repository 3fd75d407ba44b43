#include "audio/JackDeviceRun.h"

#include "audio/JackDevice.h"
#include "audio/SendMessage.h"

#include <memory>

namespace tarn::test {
namespace {

constexpr int kEngineRate = 44100;

std::unique_ptr<JackDevice> NewDevice(JackDevice*& jack) {
    auto device = std::make_unique<JackDevice>();
    jack = device.get();
    return device;
}

} // namespace

JackDeviceRun::JackDeviceRun(const JackPlaythrough::Signal& signal, LatencyMode mode,
                             double serverRate, PlayRing ring)
    : host_(signal, static_cast<int>(ring.blockFrames)), driver_(NewDevice(jack_), mode),
      playthrough_(driver_, *jack_, serverRate, ring) {}

testing::AssertionResult JackDeviceRun::Play(std::uint64_t frames) {
    host_.AttachTo(driver_);
    if (SendMessage(driver_, kDeviceOpen) != 1) {
        return testing::AssertionFailure() << "the driver did not open";
    }
    if (host_.SampleRate() != kEngineRate) {
        return testing::AssertionFailure() << "the host was told " << host_.SampleRate() << " Hz";
    }
    if (testing::AssertionResult listening = playthrough_.Listen(); !listening) {
        return listening;
    }
    if (testing::AssertionResult played =
            playthrough_.Play(frames, [this] { return host_.FramesRendered(); });
        !played) {
        return played;
    }
    if (SendMessage(driver_, kDeviceClose) != 1) {
        return testing::AssertionFailure() << "the driver did not close";
    }
    return testing::AssertionSuccess();
}

} // namespace tarn::test
