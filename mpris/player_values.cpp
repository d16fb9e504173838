#include "mpris/player_values.h"

#include "platform/file_url.h"

#include <QUrl>

namespace mpris {

QString StatusName(PlaybackStatus status) {
    switch (status) {
    case PlaybackStatus::Playing:
        return QStringLiteral("Playing");
    case PlaybackStatus::Paused:
        return QStringLiteral("Paused");
    case PlaybackStatus::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QString LoopName(LoopStatus loop) {
    switch (loop) {
    case LoopStatus::Track:
        return QStringLiteral("Track");
    case LoopStatus::Playlist:
        return QStringLiteral("Playlist");
    case LoopStatus::None:
        break;
    }
    return QStringLiteral("None");
}

std::optional<LoopStatus> LoopFromName(const QString& name) {
    for (LoopStatus loop : {LoopStatus::None, LoopStatus::Track, LoopStatus::Playlist}) {
        if (name == LoopName(loop))
            return loop;
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
