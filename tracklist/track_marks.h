// The texts of the track list's mark column.
#pragma once

#include <QString>

namespace tracklist {

inline const QString MarkNone;
inline const QString MarkPlaying = QStringLiteral(">");
inline const QString MarkPaused = QStringLiteral("<");
inline const QString MarkSkip = QStringLiteral("-");

} // namespace tracklist
