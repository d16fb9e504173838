// Flushes denormal floats to zero for the lifetime of the guard.
#pragma once

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace audio::dsp {

// Decaying feedback paths (filters, reverb lines) reach denormal values that
// are very slow to compute on x86; flushing them costs nothing audible. The
// previous mode is restored so the caller's thread is left as it was.
class ScopedFlushDenormals {
public:
#if defined(__SSE__) || defined(__x86_64__)
    ScopedFlushDenormals() : saved_(_mm_getcsr()) {
        _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
    }
    ~ScopedFlushDenormals() {
        _mm_setcsr(saved_);
    }

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved_;
#else
    ScopedFlushDenormals() = default;
#endif
    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;
};

} // namespace audio::dsp
