#pragma once

#include "engine/TempoRecord.h"

namespace tarn::test {

// Gives the process-wide tempo copies back as they were when it dies, so
// that a test that changes them leaves the next one untouched.
class ScopedGlobalTempo {
public:
    ScopedGlobalTempo() : saved_(GlobalTempo()) {}
    ~ScopedGlobalTempo() { GlobalTempo() = saved_; }
    ScopedGlobalTempo(const ScopedGlobalTempo&) = delete;
    ScopedGlobalTempo& operator=(const ScopedGlobalTempo&) = delete;

private:
    TempoRecord saved_;
};

} // namespace tarn::test
