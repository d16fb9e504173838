// The podcast source: Podcast.txt beside the executable lists the feeds; a
// chosen feed is downloaded and every item with an enclosure becomes a row.
#include "browser/form_view.h"

#include "audio/network_entry.h"
#include "browser/browser_log.h"
#include "browser/rss_feed.h"
#include "platform/close_request.h"
#include "tracklist/list_view.h"
#include "tracklist/row_location.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace browser {

audio::net::HttpLimits FeedDownloadLimits() {
    audio::net::HttpLimits limits = audio::net::HttpLimits::document();
    limits.abortRequested = &platform::closeRequested;
    return limits;
}

audio::net::FetchedDocument CFormView::FetchUrl(const QString& url) {
    audio::net::FetchedDocument fetched =
        audio::fetchDocument(url.toStdString(), feedLimits_, [this](int64_t total) {
            ShowProgress(QString::asprintf("%lldByte", static_cast<long long>(total)));
        });
    PaintTitle(); // the whole count, however fast it came
    ShowTitle(QString());
    if (fetched.failure)
        qCInfo(lcBrowser) << "feed download failed:" << url
                          << audio::net::describe(fetched.failure).c_str();
    return fetched;
}

QString CFormView::GetFeedTitle(const QString& url) {
    const audio::net::FetchedDocument feed = FetchUrl(url);
    return feed.failure ? QString() : FeedTitle(feed.body);
}

void CFormView::LoadPodcastList() {
    const QString fileName = QStringLiteral("Podcast.txt");
    const std::vector<ListEntry> feeds =
        ReadNamedList(fileName, [this](const QString& url) { return GetFeedTitle(url); });
    feedTable_.clear();
    QStringList names;
    for (const ListEntry& feed : feeds) {
        feedTable_.push_back(tracklist::ToRowLocation(feed.location));
        names.append(feed.name);
    }
    {
        const QSignalBlocker quiet(entries_);
        entries_->addItems(names);
        entries_->setCurrentRow(-1);
    }
    RewriteNamedList(fileName, feeds);
}

void CFormView::LoadFeed(int index) {
    trackList_->ClearRows();
    if (index < 0 || static_cast<size_t>(index) >= feedTable_.size())
        return;
    const audio::net::FetchedDocument feed = FetchUrl(feedTable_[static_cast<size_t>(index)]);
    if (feed.failure || platform::closeRequested())
        return;
    for (const FeedEpisode& episode :
         FeedEpisodes(feed.body, QString::fromStdString(feed.finalUrl))) {
        trackList_->AppendRow(episode.location, episode.title);
        ShowProgress(episode.title);
    }
    ShowTitle(QString());
}

} // namespace browser
