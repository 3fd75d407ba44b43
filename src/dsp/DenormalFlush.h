#pragma once

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace tarn {

// Flushes denormal results to zero and reads denormal operands as zero
// while it lives, on the thread that made it, and restores the thread's
// previous mode when it goes. A decaying filter or feedback line otherwise
// spends ever more cycles per sample on numbers far below anything audible;
// normal numbers compute exactly as before. Cheap enough to make once per
// rendered buffer.
class DenormalFlush {
public:
    DenormalFlush() noexcept {
#if defined(__SSE__) || defined(__x86_64__)
        saved_ = _mm_getcsr();
        _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
#elif defined(__aarch64__)
        __asm__ volatile("mrs %0, fpcr" : "=r"(saved_));
        const unsigned long flushing = saved_ | kFlushToZero;
        __asm__ volatile("msr fpcr, %0" : : "r"(flushing));
#endif
    }
    ~DenormalFlush() {
#if defined(__SSE__) || defined(__x86_64__)
        _mm_setcsr(saved_);
#elif defined(__aarch64__)
        __asm__ volatile("msr fpcr, %0" : : "r"(saved_));
#endif
    }
    DenormalFlush(const DenormalFlush&) = delete;
    DenormalFlush& operator=(const DenormalFlush&) = delete;

private:
#if defined(__SSE__) || defined(__x86_64__)
    static constexpr unsigned kFlushToZero = 0x8000;      // MXCSR.FTZ
    static constexpr unsigned kDenormalsAreZero = 0x0040; // MXCSR.DAZ
    unsigned saved_ = 0;
#elif defined(__aarch64__)
    static constexpr unsigned long kFlushToZero = 1ul << 24; // FPCR.FZ, both ways
    unsigned long saved_ = 0;
#endif
};

} // namespace tarn
