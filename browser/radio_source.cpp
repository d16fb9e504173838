// The internet radio source: Netradio.txt beside the executable, bare URLs
// named by their stations, listed in code-unit order and written back in
// that normalised form.
#include "browser/form_view.h"

#include "playback/station_probe.h"
#include "tracklist/list_view.h"

namespace browser {

void CFormView::LoadNetRadio() {
    const QString fileName = QStringLiteral("Netradio.txt");
    const std::vector<ListEntry> stations = ReadNamedList(fileName, [this](const QString& url) {
        return playback::ProbeStationName(url, probeLimits_);
    });
    for (const ListEntry& station : stations)
        trackList_->AppendRow(station.location, station.name);
    RewriteNamedList(fileName, stations);
}

} // namespace browser
