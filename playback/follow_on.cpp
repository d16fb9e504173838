// Gapless track changes: the row that follows the current track is opened
// ahead of its end and queued in the audio library, which starts it in the
// mix block where the current stream ends. When the library reports the
// change (once the follow-on's first sample is heard), the play order's step
// for the end of the track hands over to it (HandOverToFollowOn) when it
// settles on the follow-on's row: the playing follow-on becomes the current
// track without being opened again, and title, marks, _LastPlayed and MPRIS
// follow the track being heard, as they do for any new track. A step that
// settles elsewhere drops it and ends the track as any other end.
#include "playback/playback_engine.h"

#include "platform/shell_path.h"
#include "settings/ini_file.h"
#include "tracklist/list_view.h"

#include <utility>

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

bool PlaybackEngine::IsFollowOn(int row) const {
    return next_.stream != 0 && row >= 0 && row == next_.row &&
           trackList_->GetLocation(row) == next_.location;
}

void PlaybackEngine::HandleFollowOnStarted(HSTREAM ended, HSTREAM next) {
    if (ended == 0 || ended != stream_ || next != next_.stream)
        return;
    emit followOnStarted();
}

void PlaybackEngine::HandOverToFollowOn(int row) {
    if (!IsFollowOn(row)) {
        DropFollowOn(true);
        emit streamEnded();
        return;
    }
    // The follow-on carries its effects and syncs and plays already.
    FreeCurrentStream();
    const FollowOn next = std::exchange(next_, {});
    stream_ = next.stream;
    effects_ = next.effects;
    if (StartOpened(row, next.location, true))
        emit trackOpened();
}

} // namespace playback
