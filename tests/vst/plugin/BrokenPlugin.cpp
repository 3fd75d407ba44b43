// A library that exports a VST 2 entry point which never hands out an
// effect: built once to crash inside the entry point and once to hang in
// it. Only ever loaded by the plug-in scan's child processes.

#include <csignal>
#include <unistd.h>

extern "C" __attribute__((visibility("default"))) void* VSTPluginMain(void*) {
#ifdef TARN_BROKEN_HANG
    for (;;) {
        pause();
    }
#else
    raise(SIGSEGV);
    return nullptr;
#endif
}
