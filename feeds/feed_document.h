// An RSS or Atom document read with TinyXML-2: the channel title and the
// episodes,
// texts in UTF-8 as the document holds them (documents in other encodings are
// converted first). What the texts mean for the player (names, relative
// links) is the browser's business.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace feeds {

// HTML's named references (&eacute;) in the document are read as the
// characters they name.
struct FeedEpisode {
    // The enclosure's url attribute; an Atom entry's link rel="enclosure"
    // href; without either, the url of the item's Media RSS content
    // (media:content, also inside media:group) that is audio, else of the
    // first one that does not say what it is.
    std::string url;
    std::string title;       // text of the item's first title element
    std::string description; // text of its first description (Atom: summary)
};

struct FeedDocument {
    bool wellFormed = false;
    // Text of the first child node of rss/channel/title (Atom: feed/title).
    std::string channelTitle;
    // The first rss/channel/item and every following sibling node of it that
    // has a url (see FeedEpisode), in document order; in Atom every
    // feed/entry with one.
    std::vector<FeedEpisode> episodes;
};

enum class FeedParts { TitleOnly, Everything };

FeedDocument parseFeed(std::string_view document, FeedParts parts);

} // namespace feeds
