// What an RSS document means for the podcast source: the feed's name and one
// episode per item with a usable enclosure. The document is read by the
// codec module (TinyXML-2, loaded on first use); the rules for names and
// locations are here.
#pragma once

#include <QString>
#include <string_view>
#include <vector>

namespace browser {

struct FeedEpisode {
    QString location; // the enclosure's URL, whole: trimmed, relative ones resolved
    QString title;    // the name shown (see FeedEpisodes)
};

// rss/channel/title of the document, each run of white space one space, cut
// to 255 UTF-16 units; "" when it cannot be parsed or has no such path.
QString FeedTitle(std::string_view document);

// Every item (and every following sibling node of the first item) whose
// enclosure has a non-blank url, in document order. The location is that url
// trimmed; a relative one is resolved against feedUrl, the URL the document
// came from after redirects. The name is the item's title, or without one the
// file name of the location, followed by a space and the description unless
// that holds both "</" and "/>"; each part has its runs of white space shown
// as one space and is cut to 255 units. A document that is not well-formed
// XML gives no episodes.
std::vector<FeedEpisode> FeedEpisodes(std::string_view document, const QString& feedUrl);

} // namespace browser
