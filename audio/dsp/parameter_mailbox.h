// Hands parameter records and reset requests from the calling thread to the
// mixer thread without ever blocking the mixer.
#pragma once

#include <mutex>

namespace audio::dsp {

template <typename Record> class ParameterMailbox {
public:
    explicit ParameterMailbox(const Record& initial) : latest_(initial) {}

    // Caller side (any thread).
    void post(const Record& record) {
        std::lock_guard lock(mutex_);
        latest_ = record;
        changed_ = true;
    }

    void requestReset() {
        std::lock_guard lock(mutex_);
        resetRequested_ = true;
    }

    Record latest() const {
        std::lock_guard lock(mutex_);
        return latest_;
    }

    // Mixer side: never waits. When the caller holds the lock right now the
    // news is picked up by the next buffer.
    struct News {
        bool changed = false;
        bool reset = false;
        Record record{};
    };

    News collect() {
        News news;
        std::unique_lock lock(mutex_, std::try_to_lock);
        if (!lock.owns_lock())
            return news;
        news.changed = changed_;
        news.reset = resetRequested_;
        news.record = latest_;
        changed_ = resetRequested_ = false;
        return news;
    }

private:
    mutable std::mutex mutex_;
    Record latest_;
    bool changed_ = false;
    bool resetRequested_ = false;
};

} // namespace audio::dsp
