// The stream syncs. The audio library calls them on a thread of its own; they
// only queue the work to the UI thread, carrying the stream they fired for,
// and the UI side drops a notification whose stream is no longer current
// (no double Next when the user pressed Next as the track ended, and no
// deadlock with a UI thread that is freeing the stream).
#include "playback/playback_engine.h"

#include <QMetaObject>

namespace playback {

namespace {

void OnStreamEndSync(HSYNC, DWORD channel, DWORD, void* user) {
    static_cast<SyncContext*>(user)->engine->QueueStreamEnd(channel);
}

void OnStreamMetaSync(HSYNC, DWORD channel, DWORD, void* user) {
    static_cast<SyncContext*>(user)->engine->QueueStreamMeta(channel);
}

} // namespace

void PlaybackEngine::SetSyncs() {
    BASS_ChannelSetSync(stream_, BASS_SYNC_END, 0, OnStreamEndSync, &sync_);
    BASS_ChannelSetSync(stream_, BASS_SYNC_META, 0, OnStreamMetaSync, &sync_);
    BASS_ChannelSetSync(stream_, BASS_SYNC_OGG_CHANGE, 0, OnStreamMetaSync, &sync_);
}

void PlaybackEngine::QueueStreamEnd(HSTREAM stream) {
    QMetaObject::invokeMethod(
        this, [this, stream] { HandleStreamEnd(stream); }, Qt::QueuedConnection);
}

void PlaybackEngine::QueueStreamMeta(HSTREAM stream) {
    QMetaObject::invokeMethod(
        this, [this, stream] { HandleStreamMeta(stream); }, Qt::QueuedConnection);
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
