// What the player opens right after it starts: the one file, folder,
// playlist or URL of the command line, or the last folder or playlist with
// the last played track.
#pragma once

#include <QString>

namespace playback {
class FrameLink;
}
namespace tracklist {
class CListView;
}

namespace browser {

class CFormView;

void OpenCommandLine(const QString& text, CFormView& browser, tracklist::CListView& list,
                     playback::FrameLink& frame);

void RestoreLastSession(const QString& iniPath, CFormView& browser, tracklist::CListView& list,
                        playback::FrameLink& frame);

} // namespace browser
