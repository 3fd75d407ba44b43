#pragma once

#include <cerrno>

namespace tarn {

// The reason (an errno value) for the system call or stream write that just
// failed: errno, or EIO where the failure left none (a C++ stream need not
// set it), so that every failure can be told with a reason.
inline int LastSystemError() {
    return errno != 0 ? errno : EIO;
}

} // namespace tarn
