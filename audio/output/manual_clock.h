// A device clock that moves only when told. The null output on it
// ("null:manual") plays exactly as far as its owner lets time pass, so that
// what depends on the time a sound is heard can be driven step by step
// without waiting on the real clock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace audio::output {

class ManualClock {
public:
    using Listener = std::function<void()>;

    std::chrono::nanoseconds now() const;
    // Moves the clock on and wakes whoever waits on it.
    void advance(std::chrono::nanoseconds by);

    // Called after each advance, on the advancing thread; the id forgets it
    // (once forget() returns, it is not called any more).
    int listen(Listener listener);
    void forget(int id);

    // The device's writer (the device, or the mixer with nothing to write)
    // says it waits for the clock or other news (true) or runs (false).
    void setWriterWaiting(bool waiting);
    // Until the writer waits: all it could write and tell at this time is
    // written and told. False when the timeout passes first.
    bool waitUntilWriterWaits(std::chrono::milliseconds timeout);

private:
    void callListeners();

    std::mutex calling_; // held while listeners are called
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::chrono::nanoseconds now_{0};
    bool writerWaiting_ = false;
    uint64_t generation_ = 0; // of the clock's moves and questions
    uint64_t saidAt_ = 0;     // the generation the writer last spoke in
    int nextId_ = 1;
    std::vector<std::pair<int, Listener>> listeners_;
};

} // namespace audio::output
