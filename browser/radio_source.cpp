// The internet radio source: Netradio.txt beside the executable, bare URLs
// named by their stations, listed in code-unit order and written back in
// that normalised form.
#include "browser/form_view.h"

#include "playback/station_probe.h"
#include "tracklist/list_view.h"

namespace browser {

void CFormView::LoadNetRadio() {
    const platform::CancelToken token = BeginNamedListLoad();
    audio::net::HttpLimits limits = probeLimits_;
    limits.abortRequested = token.check();
    platform::runInBackground(
        token,
        [path = ListFilePath(QStringLiteral("Netradio.txt")), limits, token,
         showTitle = TitlePoster(token)] {
            const EntryNamer lookUp = [&limits](const QString& url) {
                return playback::LookUpStationName(url, limits);
            };
            return LoadNamedList(path, lookUp, token, showTitle);
        },
        [this](const std::vector<ListEntry>& stations) {
            for (const ListEntry& station : stations)
                trackList_->AppendRow(station.location, station.name);
            EndLoad();
        });
}

} // namespace browser
