// The per-thread error code that BASS_ErrorGetCode reports.
#pragma once

namespace audio::core {

void setError(int code);
int lastError();

// Sets the code and returns a call's failure value in one expression.
template <typename T> T fail(int code, T value) {
    setError(code);
    return value;
}

template <typename T> T succeed(T value) {
    setError(0);
    return value;
}

} // namespace audio::core
