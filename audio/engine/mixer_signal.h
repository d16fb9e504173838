// The lock and condition variable the mixer sleeps on. Streams and API calls
// notify it after changing anything the mixer waits for. Lock order: this
// mutex may be held while taking a stream's lock, never the other way round.
#pragma once

#include <condition_variable>
#include <mutex>

namespace audio::core {

struct MixerSignal {
    std::mutex mutex;
    std::condition_variable wake;

    void notify() {
        { std::lock_guard<std::mutex> lock(mutex); }
        wake.notify_all();
    }
};

} // namespace audio::core
