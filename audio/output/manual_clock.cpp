#include "audio/output/manual_clock.h"

#include <algorithm>

namespace audio::output {

std::chrono::nanoseconds ManualClock::now() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
}

void ManualClock::advance(std::chrono::nanoseconds by) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        now_ += by;
        // A writer still waiting after this says so again.
        writerWaiting_ = false;
        ++generation_;
    }
    callListeners();
}

void ManualClock::callListeners() {
    // forget() waits for these calls.
    std::lock_guard<std::mutex> calling(calling_);
    std::vector<Listener> listeners;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [id, listener] : listeners_)
            listeners.push_back(listener);
    }
    // Outside the clock's lock: a listener takes its own, which may be held
    // by a thread that asks the time.
    for (const Listener& listener : listeners)
        listener();
}

int ManualClock::listen(Listener listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    listeners_.emplace_back(nextId_, std::move(listener));
    return nextId_++;
}

void ManualClock::forget(int id) {
    std::lock_guard<std::mutex> calling(calling_);
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(listeners_, [&](const auto& entry) { return entry.first == id; });
}

void ManualClock::setWriterWaiting(bool waiting) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        writerWaiting_ = waiting;
        saidAt_ = generation_;
    }
    changed_.notify_all();
}

bool ManualClock::waitUntilWriterWaits(std::chrono::milliseconds timeout) {
    // What the writer said before this call may be stale (news reached it
    // since): the listeners wake it, and it says again whether it waits.
    uint64_t asked = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        writerWaiting_ = false;
        asked = ++generation_;
    }
    callListeners();
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return writerWaiting_ && saidAt_ >= asked; });
}

} // namespace audio::output
