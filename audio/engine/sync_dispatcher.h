// Runs sync procedures on one library thread of its own, in the order their
// events were heard. Callers only queue: nothing ever waits for a procedure,
// so a procedure may call any API, including freeing its own stream or the
// whole library.
#pragma once

#include "audio/api/bass.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace audio::core {

struct SyncCall {
    HSYNC handle = 0;
    SYNCPROC* proc = nullptr;
    void* user = nullptr;
};

class SyncDispatcher {
public:
    // Finds the procedures to call for a stream's event at the time it runs;
    // a freed stream has none, so its queued events fall away.
    using Resolver = std::function<std::vector<SyncCall>(HSTREAM stream, DWORD type)>;

    explicit SyncDispatcher(Resolver resolver);
    ~SyncDispatcher();
    SyncDispatcher(const SyncDispatcher&) = delete;
    SyncDispatcher& operator=(const SyncDispatcher&) = delete;

    void post(HSTREAM stream, DWORD type, DWORD data);
    // Drops the queued events of a stream that is being freed.
    void drop(HSTREAM stream);

private:
    struct Job {
        HSTREAM stream;
        DWORD type;
        DWORD data;
    };
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<Job> jobs;
        bool stopping = false;
        Resolver resolver;
    };
    static void run(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

} // namespace audio::core
