// Reading RSS documents: the channel title and the episodes (items with an
// enclosure), with TinyXML-2.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace browser {

struct FeedEpisode {
    QString location; // the enclosure's url
    QString title;    // the item title, a space and the description (see below)
};

// rss/channel/title of the document, or "" when it cannot be parsed or has
// no such path.
QString FeedTitle(const QByteArray& document);

// Every item (and every following sibling node of the first item) that has
// an enclosure, in document order. The description is appended to the title
// after one space unless it holds both "</" and "/>". A document that is not
// well-formed XML gives no episodes.
std::vector<FeedEpisode> FeedEpisodes(const QByteArray& document);

// UTF-8 text cut to at most 255 UTF-16 units at a character boundary; a
// missing text gives "".
QString Utf8ToWide(const char* text);

} // namespace browser
