#pragma once

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace tarn {

// Marks a call into plug-in code on this thread. What a plug-in allocates
// is its own to free, and once its library is unloaded a leak report could
// not even name it: builds with AddressSanitizer leave the allocations made
// inside such calls out of their leak reports. Otherwise nothing.
class PluginCodeScope {
public:
#if defined(__SANITIZE_ADDRESS__)
    PluginCodeScope() {
        __lsan_disable();
    }
    ~PluginCodeScope() {
        __lsan_enable();
    }
#else
    // Not trivial, so that a scope is no unused variable here either.
    PluginCodeScope() {}
    ~PluginCodeScope() {}
#endif
    PluginCodeScope(const PluginCodeScope&) = delete;
    PluginCodeScope& operator=(const PluginCodeScope&) = delete;
};

} // namespace tarn
