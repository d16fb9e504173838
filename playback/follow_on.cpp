// Gapless track changes: the row that follows the current track is opened
// ahead of its end and queued in the audio library, which starts it in the
// mix block where the current stream ends. When the library reports the
// change (once the follow-on's first sample is heard), the end of the track
// is handled as ever (the play order's step, Play/Pause, OpenAndPlay), and
// OpenAndPlay takes the playing follow-on as the opened row instead of
// opening it again: title, marks, _LastPlayed and MPRIS follow the track
// being heard, as they do for any new track.
#include "playback/playback_engine.h"

#include "platform/shell_path.h"
#include "settings/ini_file.h"
#include "tracklist/list_view.h"

namespace playback {

void PlaybackEngine::QueueFollowOn(int row) {
    const QString location = row >= 0 ? trackList_->GetLocation(row) : QString();
    if (next_.stream != 0 && row == next_.row && location == next_.location)
        return;
    DropFollowOn(false);
    // A station never ends, and opening one would hold the window.
    if (stream_ == 0 || next_.stream != 0 || location.isEmpty() || platform::isUrl(location))
        return;
    const HSTREAM next = OpenLocation(location, trackList_->GetSection(row).get());
    if (next == 0)
        return;
    EffectSlots effects;
    ApplyDspTo(next, effects, settings::IniFile(iniPath_));
    SetSyncs(next);
    if (!QUAVERLY_ChannelSetNext(stream_, next)) {
        BASS_StreamFree(next); // the current stream has ended already
        return;
    }
    next_ = {next, row, location, effects};
}

void PlaybackEngine::DropFollowOn(bool evenIfStarted) {
    if (next_.stream == 0)
        return;
    const bool started = !QUAVERLY_ChannelSetNext(stream_, 0);
    if (started && !evenIfStarted)
        return;
    BASS_StreamFree(next_.stream);
    next_ = {};
}

bool PlaybackEngine::TakeFollowOn(int row, const QString& location) {
    if (!handingOver_ || next_.stream == 0)
        return false;
    if (row != next_.row || location != next_.location) {
        DropFollowOn(true);
        return false;
    }
    stream_ = next_.stream;
    effects_ = next_.effects;
    next_ = {};
    return true;
}

void PlaybackEngine::HandleFollowOnStarted(HSTREAM ended, HSTREAM next) {
    if (ended == 0 || ended != stream_ || next != next_.stream)
        return;
    handingOver_ = true;
    emit streamEnded();
    handingOver_ = false;
    // The play order went elsewhere (an order changed at the last moment).
    if (next_.stream == next)
        DropFollowOn(true);
}

} // namespace playback
