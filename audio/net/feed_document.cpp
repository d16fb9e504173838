#include "net/feed_document.h"

#include "net/xml_encoding.h"

#include <tinyxml2.h>

namespace audio::net {
namespace {

const char* orEmpty(const char* text) {
    return text ? text : "";
}

std::string childText(const tinyxml2::XMLNode& item, const char* name) {
    const tinyxml2::XMLElement* child = item.FirstChildElement(name);
    return orEmpty(child ? child->GetText() : nullptr);
}

void readEpisodes(const tinyxml2::XMLElement& channel, std::vector<FeedEpisode>& episodes) {
    const tinyxml2::XMLNode* item = channel.FirstChildElement("item");
    for (; item; item = item->NextSibling()) {
        const tinyxml2::XMLElement* enclosure = item->FirstChildElement("enclosure");
        const char* url = enclosure ? enclosure->Attribute("url") : nullptr;
        if (!url)
            continue;
        episodes.push_back({url, childText(*item, "title"), childText(*item, "description")});
    }
}

} // namespace

FeedDocument parseFeed(std::string_view document, FeedParts parts) {
    FeedDocument feed;
    const std::optional<std::string> converted = documentInUtf8(document);
    const std::string_view text = converted ? std::string_view(*converted) : document;
    if (text.empty())
        return feed;
    tinyxml2::XMLDocument xml;
    // TinyXML-2 refuses documents nested deeper than it can parse safely.
    if (xml.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS)
        return feed;
    feed.wellFormed = true;
    const tinyxml2::XMLElement* rss = xml.FirstChildElement("rss");
    const tinyxml2::XMLElement* channel = rss ? rss->FirstChildElement("channel") : nullptr;
    if (!channel)
        return feed;
    const tinyxml2::XMLElement* title = channel->FirstChildElement("title");
    const tinyxml2::XMLNode* titleText = title ? title->FirstChild() : nullptr;
    feed.channelTitle = orEmpty(titleText ? titleText->Value() : nullptr);
    if (parts == FeedParts::Everything)
        readEpisodes(*channel, feed.episodes);
    return feed;
}

} // namespace audio::net
