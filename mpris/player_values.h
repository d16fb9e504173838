// The D-Bus forms of the player's values: status and loop names, the track id
// path, the metadata map, the locations OpenUri accepts, and the snapshot of
// the properties whose changes are announced.
#pragma once

#include "mpris/player_control.h"

#include <QDBusObjectPath>
#include <QVariantMap>
#include <optional>

namespace mpris {

inline constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
inline constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
inline constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
// MPRIS reserves this path for "no current track".
inline constexpr const char* kNoTrackPath = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

QString StatusName(PlaybackStatus status);
QString LoopName(LoopStatus loop);
std::optional<LoopStatus> LoopFromName(const QString& name);

// "/quaverly/track/<id>", or the no-track path for id 0.
QDBusObjectPath TrackPath(quint32 id);
QVariantMap MetadataOf(const TrackInfo& track);

// The path or URL an OpenUri argument names: file URLs become paths, http
// and https URLs and plain paths stay; other schemes and empty text give
// nothing.
std::optional<QString> LocationOfUri(const QString& uri);

// The Player properties that PropertiesChanged reports (Position is not among
// them: clients follow it from Seeked and the rate).
QVariantMap AnnouncedPlayerProperties(const PlayerControl& control);

} // namespace mpris
