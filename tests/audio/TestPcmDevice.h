#pragma once

#include "audio/PcmDevice.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tarn::test {

// A playback device without hardware. Buffers become done only when the
// test says so (or always, when free-running), and every call the driver
// makes is written to a log, together with the renders a RecordingHost
// reports, so that tests can check the exact order of work.
class TestPcmDevice : public PcmDevice {
public:
    enum class Step { kRender, kWrite, kWait, kReset, kClose };
    struct Entry {
        Step step;
        int index; // buffer index of a write, -1 otherwise
        bool operator==(const Entry&) const = default;
    };

    // Behaviour to script before the driver opens the device.
    int devices = 1;
    bool openFails = false;
    std::string refusal;                      // given when openFails
    int failingWrite = -1;                    // the write (counted from 0) that fails
    std::atomic<std::uint64_t> underruns = 0; // what the device reports
    // Called at the start of Close, so that a test can look at the log of a
    // device its driver is about to destroy.
    std::function<void()> onClose;

    int DeviceCount() override { return devices; }
    bool Open(PcmFormat& format, std::string& reason) override;
    void Close() override;
    void Reset() override;
    bool IsDone(int index) override;
    bool Write(int index, const std::int16_t* samples) override;
    void Wait() override;
    std::uint64_t Underruns() const override { return underruns.load(); }

    void Record(Step step, int index = -1);
    void MarkDone(int index);
    void SetFreeRunning(bool on);

    // Waits (at most a few seconds, as a guard against a hung driver) until
    // the log satisfies the condition; false on timeout.
    bool WaitFor(const std::function<bool(const std::vector<Entry>&)>& condition);
    bool WaitForWrites(std::size_t count);

    std::vector<Entry> Log() const;
    // Every written buffer, interleaved samples, in the order written.
    std::vector<std::vector<std::int16_t>> Written() const;
    const PcmFormat& OpenedFormat() const { return format_; }
    bool IsOpen() const { return open_; }

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Entry> log_;
    std::vector<std::vector<std::int16_t>> written_;
    std::vector<bool> done_;
    bool freeRunning_ = false;
    bool open_ = false;
    PcmFormat format_;
};

} // namespace tarn::test
