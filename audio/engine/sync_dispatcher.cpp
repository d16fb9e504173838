#include "audio/engine/sync_dispatcher.h"

#include <algorithm>

namespace audio::core {

namespace {
// A sync procedure that blocks for a long time must not let the queue grow
// without bound; the oldest events go first.
constexpr std::size_t kMaxQueuedJobs = 1024;
} // namespace

SyncDispatcher::SyncDispatcher(Resolver resolver) : state_(std::make_shared<State>()) {
    state_->resolver = std::move(resolver);
    thread_ = std::thread(&SyncDispatcher::run, state_);
}

SyncDispatcher::~SyncDispatcher() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stopping = true;
        state_->jobs.clear();
    }
    state_->wake.notify_all();
    // A procedure may be blocked in the program (or be the caller): never wait
    // for it. The thread owns a share of the state and leaves on its own.
    thread_.detach();
}

void SyncDispatcher::post(HSTREAM stream, DWORD type, DWORD data) {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->jobs.size() >= kMaxQueuedJobs)
            state_->jobs.pop_front();
        state_->jobs.push_back({stream, type, data});
    }
    state_->wake.notify_one();
}

void SyncDispatcher::drop(HSTREAM stream) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    std::erase_if(state_->jobs, [&](const Job& job) { return job.stream == stream; });
}

void SyncDispatcher::run(std::shared_ptr<State> state) {
    std::unique_lock<std::mutex> lock(state->mutex);
    for (;;) {
        state->wake.wait(lock, [&] { return state->stopping || !state->jobs.empty(); });
        if (state->stopping)
            return;
        const Job job = state->jobs.front();
        state->jobs.pop_front();
        lock.unlock();
        for (const SyncCall& call : state->resolver(job.stream, job.type))
            call.proc(call.handle, job.stream, job.data, call.user);
        lock.lock();
    }
}

} // namespace audio::core
