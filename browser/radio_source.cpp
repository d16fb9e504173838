// The internet radio source: Netradio.txt beside the executable, bare URLs
// named by their stations, listed in code-unit order and written back in
// that normalised form.
#include "browser/form_view.h"

#include "playback/station_probe.h"
#include "tracklist/list_view.h"

namespace browser {

void CFormView::LoadNetRadio() {
    LoadNamedListInBackground(
        QStringLiteral("Netradio.txt"), probeLimits_,
        [](const QString& url, const audio::net::HttpLimits& limits, const auto&) {
            return playback::LookUpStationName(url, limits);
        },
        [this](const std::vector<ListEntry>& stations) {
            for (const ListEntry& station : stations)
                trackList_->AppendRow(station.location, station.name);
        });
}

} // namespace browser
