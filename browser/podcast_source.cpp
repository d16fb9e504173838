// The podcast source: Podcast.txt beside the executable lists the feeds; a
// chosen feed is downloaded and every item with an enclosure becomes a row.
#include "browser/form_view.h"

#include "browser/list_file.h"
#include "browser/rss_feed.h"
#include "platform/http_fetch.h"
#include "tracklist/list_view.h"
#include "tracklist/row_location.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace browser {

QByteArray CFormView::FetchUrl(const QString& url) {
    const platform::FetchResult result =
        platform::fetchUrl(url.toStdString(), [this](int64_t total) {
            ShowTitle(QString::asprintf("%lldByte", static_cast<long long>(total)));
        });
    ShowTitle(QString());
    if (!result.ok)
        return {};
    return QByteArray::fromStdString(result.body);
}

QString CFormView::GetFeedTitle(const QString& url) {
    return FeedTitle(FetchUrl(url));
}

void CFormView::LoadPodcastList() {
    {
        const QSignalBlocker quiet(entries_);
        entries_->clear();
    }
    trackList_->ClearRows();
    feedTable_.clear();
    const QString path = ListFilePath(QStringLiteral("Podcast.txt"));
    const ListEntrySet feeds = ReadListEntries(path, [this](const QString& url) {
        const QString name = GetFeedTitle(url);
        ShowTitle(url + QStringLiteral(" -> ") + name);
        return name;
    });
    ShowTitle(QString());
    QStringList names;
    for (const QString& feed : feeds) {
        const ListEntry entry = SplitAtLastComma(feed);
        feedTable_.push_back(tracklist::ToRowLocation(entry.location));
        names.append(entry.name);
    }
    {
        const QSignalBlocker quiet(entries_);
        entries_->addItems(names);
        entries_->setCurrentRow(-1);
    }
    QStringList lines;
    for (size_t k = 0; k < feedTable_.size(); ++k)
        lines.append(names[static_cast<qsizetype>(k)] + QLatin1Char(',') +
                     tracklist::FromRowLocation(feedTable_[k]));
    WriteListFile(path, lines);
}

void CFormView::LoadFeed(int index) {
    trackList_->ClearRows();
    if (index < 0 || static_cast<size_t>(index) >= feedTable_.size())
        return;
    const QByteArray document = FetchUrl(feedTable_[static_cast<size_t>(index)]);
    for (const FeedEpisode& episode : FeedEpisodes(document)) {
        trackList_->AppendRow(episode.location, episode.title);
        ShowTitle(episode.title);
    }
    ShowTitle(QString());
}

} // namespace browser
