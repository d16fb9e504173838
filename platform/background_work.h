// Work that must not hold the UI thread (network lookups, downloads, stream
// opens, folder listings, file reads) runs on a pool of background threads;
// its result comes back to the UI thread as a queued call.
//
// Whoever starts the work keeps a CancelToken. Cancelling it (the user chose
// something else, Stop, the window closing) makes the work's network waits end
// at their next check, and drops its late result and progress: the queued
// calls ask the token on the UI thread, where it is cancelled, so nothing of a
// cancelled load can reach a widget.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

namespace platform {

class CancelToken {
public:
    CancelToken() : flag_(std::make_shared<std::atomic<bool>>(false)) {}

    void cancel() const { flag_->store(true, std::memory_order_relaxed); }
    // True once cancelled, or once the program is asked to close.
    bool cancelled() const;
    // A check for the HTTP client's abortRequested that outlives this token.
    std::function<bool()> check() const;

private:
    std::shared_ptr<std::atomic<bool>> flag_;
};

// Runs task on the background pool.
void runInBackground(std::function<void()> task);

// Queues call to the UI thread; it is dropped there when the token was
// cancelled by then. An owner cancels its token before it is destroyed, so
// a call that captures the owner never runs after it.
void deliver(const CancelToken& token, std::function<void()> call);

// Runs work() in the background and then done(result) on the UI thread,
// unless the token was cancelled meanwhile. work must not use its owner:
// it takes what it needs by value.
template <typename Work, typename Done>
void runInBackground(const CancelToken& token, Work work, Done done) {
    runInBackground([token, work = std::move(work), done = std::move(done)]() mutable {
        if (token.cancelled())
            return;
        auto result = std::make_shared<decltype(work())>(work());
        deliver(token, [done = std::move(done), result] { done(std::move(*result)); });
    });
}

// Calls each(i) for i in [0, count) on up to maxAtOnce threads at once and
// returns when all calls have returned. For waits that do not use the CPU
// (name lookups of many stations), so that a dead server does not hold the
// others back.
void forEachInParallel(size_t count, size_t maxAtOnce, const std::function<void(size_t)>& each);

// Waits, at most timeoutMs, for the background work still running; called
// once the event loop has ended, after its owners cancelled it.
void finishBackgroundWork(int timeoutMs);

} // namespace platform
