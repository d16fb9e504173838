#include "audio/engine/errors.h"

namespace audio::core {

namespace {
thread_local int threadError = 0;
}

void setError(int code) {
    threadError = code;
}
int lastError() {
    return threadError;
}

} // namespace audio::core
