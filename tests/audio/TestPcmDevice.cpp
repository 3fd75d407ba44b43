#include "audio/TestPcmDevice.h"

namespace tarn::test {

bool TestPcmDevice::Open(PcmFormat& format, std::string& reason) {
    if (openFails) {
        reason = refusal;
        return false;
    }
    std::lock_guard guard(lock_);
    format_ = format;
    done_.assign(static_cast<std::size_t>(format.bufferCount), true);
    open_ = true;
    return true;
}

void TestPcmDevice::Close() {
    if (onClose) {
        onClose();
    }
    Record(Step::kClose);
    std::lock_guard guard(lock_);
    open_ = false;
}

void TestPcmDevice::Reset() {
    Record(Step::kReset);
    std::lock_guard guard(lock_);
    done_.assign(done_.size(), true);
}

bool TestPcmDevice::IsDone(int index) {
    std::lock_guard guard(lock_);
    return freeRunning_ || done_.at(static_cast<std::size_t>(index));
}

bool TestPcmDevice::Write(int index, const std::int16_t* samples) {
    {
        std::lock_guard guard(lock_);
        if (static_cast<int>(written_.size()) == failingWrite) {
            return false;
        }
        const std::size_t count = static_cast<std::size_t>(format_.bufferFrames * format_.channels);
        written_.emplace_back(samples, samples + count);
        done_.at(static_cast<std::size_t>(index)) = false;
    }
    Record(Step::kWrite, index);
    return true;
}

// Consecutive waits are logged once: the log shows passes, not idle time.
void TestPcmDevice::Wait() {
    {
        std::lock_guard guard(lock_);
        if (log_.empty() || log_.back().step != Step::kWait) {
            log_.push_back({Step::kWait, -1});
        }
    }
    changed_.notify_all();
    PcmDevice::Wait();
}

void TestPcmDevice::Record(Step step, int index) {
    {
        std::lock_guard guard(lock_);
        log_.push_back({step, index});
    }
    changed_.notify_all();
}

void TestPcmDevice::MarkDone(int index) {
    std::lock_guard guard(lock_);
    done_.at(static_cast<std::size_t>(index)) = true;
}

void TestPcmDevice::SetFreeRunning(bool on) {
    std::lock_guard guard(lock_);
    freeRunning_ = on;
}

// Wakes on every log change and also every few milliseconds, so that the
// condition may look at state outside the log too.
bool TestPcmDevice::WaitFor(const std::function<bool(const std::vector<Entry>&)>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::unique_lock guard(lock_);
    while (!condition(log_)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        changed_.wait_for(guard, std::chrono::milliseconds(5));
    }
    return true;
}

bool TestPcmDevice::WaitForWrites(std::size_t count) {
    return WaitFor([this, count](const std::vector<Entry>&) { return written_.size() >= count; });
}

std::vector<TestPcmDevice::Entry> TestPcmDevice::Log() const {
    std::lock_guard guard(lock_);
    return log_;
}

std::vector<std::vector<std::int16_t>> TestPcmDevice::Written() const {
    std::lock_guard guard(lock_);
    return written_;
}

} // namespace tarn::test
