// The record handed to every stream sync as its user data. The audio library
// calls syncs on a thread of its own and never waits for them, so a sync may
// run after its stream was freed and after the engine that set it is gone.
// The record therefore lives for the whole process and knows only the engines
// that exist now: a sync passes its stream's news to each of them (each drops
// news of a stream that is not its current one), and an engine leaves the
// record before it is destroyed.
#pragma once

#include "audio/api/bass.h"

#include <mutex>
#include <vector>

namespace playback {

class PlaybackEngine;

class SyncContext {
public:
    // The one record; never destroyed, as a sync may still be running while
    // the process ends.
    static SyncContext& instance();

    void Join(PlaybackEngine* engine);
    // After this returns no sync reaches the engine any more.
    void Leave(PlaybackEngine* engine);

    // Called from the sync thread.
    void StreamEnded(HSTREAM stream);
    void StreamMetaChanged(HSTREAM stream);
    // The mixer started `next` in the block where `ended` ended.
    void FollowOnStarted(HSTREAM ended, HSTREAM next);

private:
    SyncContext() = default;

    std::mutex mutex_; // held while a sync hands its news to the engines
    std::vector<PlaybackEngine*> engines_;
};

} // namespace playback
