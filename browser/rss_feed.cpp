#include "browser/rss_feed.h"

#include "audio/engine/network_entry.h"
#include "feeds/feed_document.h"
#include "playback/track_title.h"

#include <QUrl>

namespace browser {

namespace {

constexpr int kMaxShownUnits = 255;

// Shown text: white space runs as one space, none at either end, cut.
QString Shown(const std::string& utf8) {
    return playback::CutToUnits(QString::fromStdString(utf8).simplified(), kMaxShownUnits);
}

// "http:", "https:", "mailto:": a scheme makes a URL absolute.
bool HasScheme(const QString& url) {
    if (url.isEmpty() || !url.front().isLetter() || url.front().unicode() > 0x7f)
        return false;
    for (const QChar c : url) {
        if (c == QLatin1Char(':'))
            return true;
        const bool schemeChar = (c.isLetterOrNumber() && c.unicode() <= 0x7f) ||
                                c == QLatin1Char('+') || c == QLatin1Char('-') ||
                                c == QLatin1Char('.');
        if (!schemeChar)
            return false;
    }
    return false;
}

QString Location(const std::string& url, const QUrl& feedUrl) {
    const QString written = QString::fromStdString(url).trimmed();
    if (written.isEmpty() || HasScheme(written) || feedUrl.isEmpty())
        return written;
    return feedUrl.resolved(QUrl(written)).toString(QUrl::FullyEncoded);
}

QString Name(const feeds::FeedEpisode& item, const QString& location) {
    QString title = Shown(item.title);
    if (title.isEmpty())
        title = playback::CutToUnits(QUrl(location).fileName(), kMaxShownUnits);
    const bool markup = item.description.find("</") != std::string::npos &&
                        item.description.find("/>") != std::string::npos;
    if (markup)
        return title;
    return title + QLatin1Char(' ') + Shown(item.description);
}

} // namespace

QString FeedTitle(std::string_view document) {
    return Shown(feeds::parseFeed(document, feeds::FeedParts::TitleOnly).channelTitle);
}

std::vector<FeedEpisode> FeedEpisodes(std::string_view document, const QString& feedUrl) {
    const feeds::FeedDocument feed = feeds::parseFeed(document, feeds::FeedParts::Everything);
    const QUrl base(feedUrl);
    std::vector<FeedEpisode> episodes;
    episodes.reserve(feed.episodes.size());
    for (const feeds::FeedEpisode& item : feed.episodes) {
        QString location = Location(item.url, base);
        if (location.isEmpty())
            continue;
        QString name = Name(item, location);
        episodes.push_back({std::move(location), std::move(name)});
    }
    return episodes;
}

} // namespace browser
