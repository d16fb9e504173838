#include "mpris/player_values.h"

#include "platform/file_url.h"

#include <QUrl>

namespace mpris {

namespace {

template <class Value> struct Named {
    Value value;
    const char* name;
};

// The first entry of each table is what an unknown value reads as.
constexpr Named<PlaybackStatus> kStatusNames[] = {
    {PlaybackStatus::Stopped, "Stopped"},
    {PlaybackStatus::Playing, "Playing"},
    {PlaybackStatus::Paused, "Paused"},
};
constexpr Named<LoopStatus> kLoopNames[] = {
    {LoopStatus::None, "None"},
    {LoopStatus::Track, "Track"},
    {LoopStatus::Playlist, "Playlist"},
};

template <class Value, size_t N> QString NameOf(const Named<Value> (&table)[N], Value value) {
    for (const Named<Value>& entry : table) {
        if (entry.value == value)
            return QString::fromLatin1(entry.name);
    }
    return QString::fromLatin1(table[0].name);
}

} // namespace

QString StatusName(PlaybackStatus status) {
    return NameOf(kStatusNames, status);
}

QString LoopName(LoopStatus loop) {
    return NameOf(kLoopNames, loop);
}

std::optional<LoopStatus> LoopFromName(const QString& name) {
    for (const Named<LoopStatus>& entry : kLoopNames) {
        if (name == QLatin1String(entry.name))
            return entry.value;
    }
    return std::nullopt;
}

QDBusObjectPath TrackPath(quint32 id) {
    if (id == 0)
        return QDBusObjectPath(QString::fromLatin1(kNoTrackPath));
    return QDBusObjectPath(QStringLiteral("/quaverly/track/%1").arg(id));
}

QVariantMap MetadataOf(const TrackInfo& track) {
    QVariantMap metadata;
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackPath(track.id)));
    if (track.id == 0)
        return metadata;
    metadata.insert(QStringLiteral("xesam:title"), track.title);
    if (!track.artist.isEmpty())
        metadata.insert(QStringLiteral("xesam:artist"), QStringList{track.artist});
    if (!track.album.isEmpty())
        metadata.insert(QStringLiteral("xesam:album"), track.album);
    if (track.trackNumber > 0)
        metadata.insert(QStringLiteral("xesam:trackNumber"), track.trackNumber);
    if (!track.artUrl.isEmpty())
        metadata.insert(QStringLiteral("mpris:artUrl"), track.artUrl);
    if (!track.url.isEmpty())
        metadata.insert(QStringLiteral("xesam:url"), track.url);
    if (track.lengthUs > 0)
        metadata.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(track.lengthUs));
    return metadata;
}

std::optional<QString> LocationOfUri(const QString& uri) {
    const QString text = uri.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const QUrl url(text);
    const QString scheme = url.scheme().toLower();
    // A one-letter "scheme" is no scheme at all: C:/x is a path.
    if (scheme.size() < 2)
        return text;
    if (scheme == QLatin1String("file")) {
        const std::optional<QString> path = platform::localPathOfFileUrl(text.toUtf8());
        if (!path || path->isEmpty())
            return std::nullopt;
        return path;
    }
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return text;
    return std::nullopt;
}

QVariantMap AnnouncedPlayerProperties(const PlayerControl& control) {
    const Capabilities can = control.Abilities();
    return {
        {QStringLiteral("PlaybackStatus"), StatusName(control.Status())},
        {QStringLiteral("Metadata"), MetadataOf(control.Track())},
        {QStringLiteral("Volume"), control.Volume()},
        {QStringLiteral("LoopStatus"), LoopName(control.Loop())},
        {QStringLiteral("Shuffle"), control.Shuffle()},
        {QStringLiteral("CanPlay"), can.canPlay},
        {QStringLiteral("CanPause"), can.canPause},
        {QStringLiteral("CanSeek"), can.canSeek},
        {QStringLiteral("CanGoNext"), can.canGoNext},
        {QStringLiteral("CanGoPrevious"), can.canGoPrevious},
    };
}

} // namespace mpris
