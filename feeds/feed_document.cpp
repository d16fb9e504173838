#include "feeds/feed_document.h"

#include "feeds/html_entities.h"
#include "feeds/xml_encoding.h"

#include <tinyxml2.h>

#include <cstring>

namespace feeds {
namespace {

using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

const char* orEmpty(const char* text) {
    return text ? text : "";
}

std::string childText(const XMLNode& item, const char* name) {
    const XMLElement* child = item.FirstChildElement(name);
    return orEmpty(child ? child->GetText() : nullptr);
}

// What a media:content says of itself: audio, something else (a picture,
// a text), or nothing.
enum class Medium { Audio, Other, Unsaid };

Medium mediumOf(const XMLElement& content) {
    const char* medium = content.Attribute("medium");
    const char* type = content.Attribute("type");
    if ((medium && std::strcmp(medium, "audio") == 0) ||
        (type && std::strncmp(type, "audio/", 6) == 0))
        return Medium::Audio;
    if (medium || type)
        return Medium::Other;
    return Medium::Unsaid;
}

// The url of the item's Media RSS content (media:content, directly or in a
// media:group) that is audio, else of the first that does not say what it
// is; nothing when none has a url.
const char* mediaContentUrl(const XMLNode& item) {
    const char* unsaid = nullptr;
    for (const XMLElement* parent : {item.ToElement(), item.FirstChildElement("media:group")}) {
        if (!parent)
            continue;
        for (const XMLElement* content = parent->FirstChildElement("media:content"); content;
             content = content->NextSiblingElement("media:content")) {
            const char* url = content->Attribute("url");
            if (!url)
                continue;
            const Medium medium = mediumOf(*content);
            if (medium == Medium::Audio)
                return url;
            if (medium == Medium::Unsaid && !unsaid)
                unsaid = url;
        }
    }
    return unsaid;
}

// An RSS item's enclosure url, or its audio in Media RSS.
const char* rssAudioUrl(const XMLNode& item) {
    const XMLElement* enclosure = item.FirstChildElement("enclosure");
    const char* url = enclosure ? enclosure->Attribute("url") : nullptr;
    return url ? url : mediaContentUrl(item);
}

// An Atom entry's link rel="enclosure", or its audio in Media RSS.
const char* atomAudioUrl(const XMLElement& entry) {
    for (const XMLElement* link = entry.FirstChildElement("link"); link;
         link = link->NextSiblingElement("link")) {
        const char* rel = link->Attribute("rel");
        const char* href = link->Attribute("href");
        if (rel && href && std::strcmp(rel, "enclosure") == 0)
            return href;
    }
    return mediaContentUrl(entry);
}

void readRssEpisodes(const XMLElement& channel, std::vector<FeedEpisode>& episodes) {
    const XMLNode* item = channel.FirstChildElement("item");
    for (; item; item = item->NextSibling()) {
        const char* url = rssAudioUrl(*item);
        if (!url)
            continue;
        episodes.push_back({url, childText(*item, "title"), childText(*item, "description")});
    }
}

// An Atom entry's summary stands where an RSS item has its description.
void readAtomEpisodes(const XMLElement& feed, std::vector<FeedEpisode>& episodes) {
    for (const XMLElement* entry = feed.FirstChildElement("entry"); entry;
         entry = entry->NextSiblingElement("entry")) {
        const char* url = atomAudioUrl(*entry);
        if (!url)
            continue;
        episodes.push_back({url, childText(*entry, "title"), childText(*entry, "summary")});
    }
}

std::string firstChildValue(const XMLElement& parent, const char* name) {
    const XMLElement* element = parent.FirstChildElement(name);
    const XMLNode* text = element ? element->FirstChild() : nullptr;
    return orEmpty(text ? text->Value() : nullptr);
}

} // namespace

FeedDocument parseFeed(std::string_view document, FeedParts parts) {
    FeedDocument feed;
    const std::optional<std::string> converted = documentInUtf8(document);
    const std::string text =
        withNumericEntities(converted ? std::string_view(*converted) : document);
    if (text.empty())
        return feed;
    tinyxml2::XMLDocument xml;
    // TinyXML-2 refuses documents nested deeper than it can parse safely.
    if (xml.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS)
        return feed;
    feed.wellFormed = true;
    const XMLElement* rss = xml.FirstChildElement("rss");
    const XMLElement* channel = rss ? rss->FirstChildElement("channel") : nullptr;
    const XMLElement* atom = xml.FirstChildElement("feed");
    if (channel) {
        feed.channelTitle = firstChildValue(*channel, "title");
        if (parts == FeedParts::Everything)
            readRssEpisodes(*channel, feed.episodes);
    } else if (atom) {
        feed.channelTitle = firstChildValue(*atom, "title");
        if (parts == FeedParts::Everything)
            readAtomEpisodes(*atom, feed.episodes);
    }
    return feed;
}

} // namespace feeds
