#include "browser/startup_open.h"

#include "browser/embedded_cue.h"
#include "browser/form_view.h"
#include "platform/file_name.h"
#include "platform/shell_path.h"
#include "playback/frame_link.h"
#include "res/resource_ids.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "tracklist/list_view.h"
#include "tracklist/row_location.h"

#include <climits>

namespace browser {

namespace {

QString WithoutEnclosingQuotes(const QString& text) {
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.mid(1, text.size() - 2);
    return text;
}

void PlayLocation(const QString& location, tracklist::CListView& list, playback::FrameLink& frame) {
    const int row = list.FindRowByLocation(tracklist::ToRowLocation(location));
    if (row < 0)
        return;
    list.SetCurrentRow(row);
    frame.SendCommand(res::ID_PLAY_PLAYPAUSE);
}

} // namespace

// Each way ends by playing a row once the load has put the rows in; the load
// runs in the background, and what the user does meanwhile (another source,
// a row, Stop, another command line or drop) cancels the play.
void OpenCommandLine(const QString& commandLine, CFormView& browser, tracklist::CListView& list,
                     playback::FrameLink& frame) {
    const QString text = WithoutEnclosingQuotes(commandLine);
    const auto playFirstRow = [&list, &frame] {
        list.SetCurrentRowNoScroll(0);
        frame.SendCommand(res::ID_PLAY_PLAYPAUSE);
    };
    if (platform::isUrl(text)) {
        // The URL is the one row: a list shown before does not stay.
        browser.LoadStationUrl(text, playFirstRow);
        return;
    }
    const QString path = platform::qualify(text);
    if (platform::encodeFileName(path).size() >= PATH_MAX || !platform::exists(path))
        return;
    browser.setCurrentFolder(platform::folderPart(path));
    if (IsPlaylistFile(path)) {
        browser.LoadPlaylistFile(platform::namePart(path), playFirstRow);
        return;
    }
    const auto playInFolder = [path, &browser, &list, &frame] {
        browser.FillTracksFromFolder([path, &list, &frame] { PlayLocation(path, list, frame); });
    };
    if (!MayHoldCueSheet(path)) {
        playInFolder();
        return;
    }
    // An image that carries its cue sheet plays as its tracks; any other
    // file of its kind among the files of its folder.
    browser.LoadPlaylistFile(EmbeddedCueEntry(platform::namePart(path)),
                             [&list, playFirstRow, playInFolder] {
                                 if (list.RowCount() > 0)
                                     playFirstRow();
                                 else
                                     playInFolder();
                             });
}

void RestoreLastSession(const QString& iniPath, CFormView& browser, tracklist::CListView& list,
                        playback::FrameLink& frame) {
    const settings::IniFile ini(iniPath);
    const QString last = ini.ReadString(settings::keys::LastPath, QString());
    const QString played = ini.ReadString(settings::keys::LastPlayed, QString());
    const auto playLast = [played, &list, &frame] { PlayLocation(played, list, frame); };
    if (IsPlaylistFile(last)) {
        browser.setCurrentFolder(platform::folderPart(last));
        browser.LoadPlaylistFile(platform::namePart(last), playLast);
        return;
    }
    // A station or episode has no folder of its own: list the root.
    browser.setCurrentFolder(platform::isUrl(played) ? QStringLiteral("/")
                                                     : platform::folderPart(played));
    browser.FillTracksFromFolder(playLast);
}

} // namespace browser
