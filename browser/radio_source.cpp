// The internet radio source: Netradio.txt beside the executable, bare URLs
// named by their stations, listed in code-unit order and written back in
// that normalised form.
#include "browser/form_view.h"

#include "browser/list_file.h"
#include "platform/module_path.h"
#include "playback/station_probe.h"
#include "tracklist/list_view.h"
#include "tracklist/row_location.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace browser {

QString CFormView::ListFilePath(const QString& name) const {
    return listFolder_.isEmpty() ? platform::userFilePath(name) : listFolder_ + name;
}

void CFormView::LoadNetRadio() {
    {
        const QSignalBlocker quiet(entries_);
        entries_->clear();
    }
    trackList_->ClearRows();
    const QString path = ListFilePath(QStringLiteral("Netradio.txt"));
    const ListEntrySet stations = ReadListEntries(path, [this](const QString& url) {
        ShowTitle(url + QStringLiteral(" -> "));
        const QString name = playback::ProbeStationName(url);
        ShowTitle(url + QStringLiteral(" -> ") + name);
        return name;
    });
    ShowTitle(QString());
    for (const QString& station : stations) {
        const ListEntry entry = SplitAtLastComma(station);
        trackList_->AppendRow(entry.location, entry.name);
    }
    QStringList lines;
    for (int row = 0; row < trackList_->RowCount(); ++row) {
        lines.append(trackList_->GetName(row) + QLatin1Char(',') +
                     tracklist::FromRowLocation(trackList_->GetLocation(row)));
    }
    WriteListFile(path, lines);
}

} // namespace browser
