// The stream syncs. The audio library calls them on a thread of its own; they
// only queue the work to the UI thread, carrying the stream they fired for,
// and the UI side drops a notification whose stream is no longer current
// (no double Next when the user pressed Next as the track ended, and no
// deadlock with a UI thread that is freeing the stream). A queued call dies
// with its engine: Qt drops the events posted to a destroyed object.
#include "playback/playback_engine.h"

#include <QMetaObject>

namespace playback {

namespace {

void OnStreamEndSync(HSYNC, DWORD channel, DWORD, void* user) {
    static_cast<SyncContext*>(user)->StreamEnded(channel);
}

void OnStreamMetaSync(HSYNC, DWORD channel, DWORD, void* user) {
    static_cast<SyncContext*>(user)->StreamMetaChanged(channel);
}

// As the mixer reaches the end: data names the follow-on that took over.
void OnFollowOnSync(HSYNC, DWORD channel, DWORD next, void* user) {
    if (next != 0)
        static_cast<SyncContext*>(user)->FollowOnStarted(channel, next);
}

} // namespace

SyncContext& SyncContext::instance() {
    static auto* const context = new SyncContext;
    return *context;
}

void SyncContext::Join(PlaybackEngine* engine) {
    const std::lock_guard<std::mutex> lock(mutex_);
    engines_.push_back(engine);
}

void SyncContext::Leave(PlaybackEngine* engine) {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::erase(engines_, engine);
}

void SyncContext::StreamEnded(HSTREAM stream) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (PlaybackEngine* engine : engines_)
        engine->QueueStreamEnd(stream);
}

void SyncContext::StreamMetaChanged(HSTREAM stream) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (PlaybackEngine* engine : engines_)
        engine->QueueStreamMeta(stream);
}

void SyncContext::FollowOnStarted(HSTREAM ended, HSTREAM next) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (PlaybackEngine* engine : engines_)
        engine->QueueFollowOnStarted(ended, next);
}

void PlaybackEngine::SetSyncs(HSTREAM stream) {
    SyncContext* context = &SyncContext::instance();
    BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, OnStreamEndSync, context);
    BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, OnStreamMetaSync, context);
    BASS_ChannelSetSync(stream, BASS_SYNC_OGG_CHANGE, 0, OnStreamMetaSync, context);
    BASS_ChannelSetSync(stream, BASS_SYNC_END | BASS_SYNC_MIXTIME, 0, OnFollowOnSync, context);
}

void PlaybackEngine::QueueStreamEnd(HSTREAM stream) {
    QMetaObject::invokeMethod(
        this, [this, stream] { HandleStreamEnd(stream); }, Qt::QueuedConnection);
}

void PlaybackEngine::QueueStreamMeta(HSTREAM stream) {
    QMetaObject::invokeMethod(
        this, [this, stream] { HandleStreamMeta(stream); }, Qt::QueuedConnection);
}

void PlaybackEngine::QueueFollowOnStarted(HSTREAM ended, HSTREAM next) {
    QMetaObject::invokeMethod(
        this, [this, ended, next] { HandleFollowOnStarted(ended, next); }, Qt::QueuedConnection);
}

void PlaybackEngine::HandleStreamEnd(HSTREAM stream) {
    if (stream == 0 || stream != stream_)
        return;
    emit streamEnded();
}

void PlaybackEngine::HandleStreamMeta(HSTREAM stream) {
    if (stream == 0 || stream != stream_)
        return;
    OnStreamMeta();
    emit streamMetaChanged();
}

} // namespace playback
