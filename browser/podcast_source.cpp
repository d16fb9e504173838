// The podcast source: Podcast.txt beside the executable lists the feeds; a
// chosen feed is downloaded and every item with an enclosure becomes a row.
// Downloads and parsing run in the background; the byte counts of a
// download show in the title label as it comes in.
#include "browser/form_view.h"

#include "audio/engine/network_entry.h"
#include "browser/browser_log.h"
#include "browser/rss_feed.h"
#include "platform/close_request.h"
#include "tracklist/list_view.h"
#include "tracklist/row_location.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QSignalBlocker>

namespace browser {

namespace {

// Byte counts are handed to the UI thread at most this often (the label is
// painted about as often); the final count always.
constexpr qint64 kProgressPostMs = 30;

using TitleSink = std::function<void(const QString&)>;

QString ByteCount(int64_t total) {
    return QString::asprintf("%lldByte", static_cast<long long>(total));
}

// Downloads a whole document; the body is empty when it cannot be fetched
// (the cause is logged).
audio::net::FetchedDocument FetchUrl(const QString& url, const audio::net::HttpLimits& limits,
                                     const TitleSink& showTitle) {
    QElapsedTimer posted;
    int64_t lastTotal = 0;
    audio::net::FetchedDocument fetched =
        audio::fetchDocument(url.toStdString(), limits, [&](int64_t total) {
            lastTotal = total;
            if (posted.isValid() && posted.elapsed() < kProgressPostMs)
                return;
            posted.start();
            showTitle(ByteCount(total));
        });
    if (lastTotal > 0)
        showTitle(ByteCount(lastTotal));
    showTitle(QString());
    if (fetched.failure)
        qCInfo(lcBrowser) << "feed download failed:" << url
                          << audio::net::describe(fetched.failure).c_str();
    return fetched;
}

// A feed's title; std::nullopt when it could not be downloaded, so that the
// bare URL is looked up again next time.
std::optional<QString> GetFeedTitle(const QString& url, const audio::net::HttpLimits& limits,
                                    const TitleSink& showTitle) {
    const audio::net::FetchedDocument feed = FetchUrl(url, limits, showTitle);
    if (feed.failure)
        return std::nullopt;
    return FeedTitle(feed.body);
}

} // namespace

audio::net::HttpLimits FeedDownloadLimits() {
    audio::net::HttpLimits limits = audio::net::HttpLimits::document();
    limits.abortRequested = &platform::closeRequested;
    return limits;
}

void CFormView::LoadPodcastList() {
    LoadNamedListInBackground(QStringLiteral("Podcast.txt"), feedLimits_, GetFeedTitle,
                              [this](const std::vector<ListEntry>& feeds) {
                                  feedTable_.clear();
                                  QStringList names;
                                  for (const ListEntry& feed : feeds) {
                                      feedTable_.push_back(tracklist::ToRowLocation(feed.location));
                                      names.append(feed.name);
                                  }
                                  const QSignalBlocker quiet(entries_);
                                  entries_->addItems(names);
                                  entries_->setCurrentRow(-1);
                              });
}

void CFormView::LoadFeed(int index) {
    const platform::CancelToken token = BeginLoad({});
    if (index < 0 || static_cast<size_t>(index) >= feedTable_.size()) {
        loading_ = false;
        emit loadFinished();
        return;
    }
    audio::net::HttpLimits limits = feedLimits_;
    limits.abortRequested = token.check();
    platform::runInBackground(
        token,
        [url = feedTable_[static_cast<size_t>(index)], limits, showTitle = TitlePoster(token)] {
            const audio::net::FetchedDocument feed = FetchUrl(url, limits, showTitle);
            std::vector<LoadedRow> rows;
            if (feed.failure)
                return rows;
            for (FeedEpisode& episode :
                 FeedEpisodes(feed.body, QString::fromStdString(feed.finalUrl)))
                rows.push_back({std::move(episode.location), std::move(episode.title)});
            return rows;
        },
        [this](std::vector<LoadedRow> rows) {
            AppendRowsInSlices(
                std::make_shared<const std::vector<LoadedRow>>(std::move(rows)),
                [](const LoadedRow& row) { return row.name; }, [this] { EndLoad(); });
        });
}

} // namespace browser
