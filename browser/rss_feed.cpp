#include "browser/rss_feed.h"

#include "playback/track_title.h"

#include <tinyxml2.h>

namespace browser {

namespace {

constexpr int kMaxTextUnits = 255;
bool Parse(tinyxml2::XMLDocument& xml, const QByteArray& document) {
    // TinyXML-2 refuses documents nested deeper than it can parse safely.
    if (document.isEmpty())
        return false;
    return xml.Parse(document.constData(), static_cast<size_t>(document.size())) ==
           tinyxml2::XML_SUCCESS;
}

const tinyxml2::XMLElement* Channel(const tinyxml2::XMLDocument& xml) {
    const tinyxml2::XMLElement* rss = xml.FirstChildElement("rss");
    return rss ? rss->FirstChildElement("channel") : nullptr;
}

QString ChildText(const tinyxml2::XMLNode& item, const char* name) {
    const tinyxml2::XMLElement* child = item.FirstChildElement(name);
    return Utf8ToWide(child ? child->GetText() : nullptr);
}

} // namespace

QString Utf8ToWide(const char* text) {
    if (!text)
        return QString();
    return playback::CutToUnits(QString::fromUtf8(text), kMaxTextUnits);
}

QString FeedTitle(const QByteArray& document) {
    tinyxml2::XMLDocument xml;
    if (!Parse(xml, document))
        return QString();
    const tinyxml2::XMLElement* channel = Channel(xml);
    const tinyxml2::XMLElement* title = channel ? channel->FirstChildElement("title") : nullptr;
    const tinyxml2::XMLNode* text = title ? title->FirstChild() : nullptr;
    return Utf8ToWide(text ? text->Value() : nullptr);
}

std::vector<FeedEpisode> FeedEpisodes(const QByteArray& document) {
    std::vector<FeedEpisode> episodes;
    tinyxml2::XMLDocument xml;
    if (!Parse(xml, document))
        return episodes;
    const tinyxml2::XMLElement* channel = Channel(xml);
    const tinyxml2::XMLNode* item = channel ? channel->FirstChildElement("item") : nullptr;
    for (; item; item = item->NextSibling()) {
        const tinyxml2::XMLElement* enclosure = item->FirstChildElement("enclosure");
        if (!enclosure)
            continue;
        FeedEpisode episode;
        episode.location = Utf8ToWide(enclosure->Attribute("url"));
        episode.title = ChildText(*item, "title");
        const QString description = ChildText(*item, "description");
        if (!(description.contains(QLatin1String("</")) &&
              description.contains(QLatin1String("/>"))))
            episode.title += QLatin1Char(' ') + description;
        episodes.push_back(std::move(episode));
    }
    return episodes;
}

} // namespace browser
