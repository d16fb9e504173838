// An RSS document read with TinyXML-2: the channel title and the episodes,
// texts in UTF-8 as the document holds them (documents in other encodings are
// converted first). What the texts mean for the player (names, relative
// links) is the browser's business.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace audio::net {

struct FeedEpisode {
    std::string url;         // the enclosure's url attribute
    std::string title;       // text of the item's first title element
    std::string description; // text of its first description element
};

struct FeedDocument {
    bool wellFormed = false;
    std::string channelTitle; // text of the first child node of rss/channel/title
    // The first rss/channel/item and every following sibling node of it that
    // has an enclosure element with a url attribute, in document order.
    std::vector<FeedEpisode> episodes;
};

enum class FeedParts { TitleOnly, Everything };

FeedDocument parseFeed(std::string_view document, FeedParts parts);

} // namespace audio::net
