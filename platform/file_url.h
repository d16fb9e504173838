// "file:" URLs of local paths, byte for byte. A path's bytes travel
// percent-encoded, so a name that is not UTF-8 (file_name.h) survives the trip
// through a URL: to the desktop's media controls and back, and in the
// playlists Linux players write.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace platform {

// "file:///home/me/caf%E9.mp3": the path's bytes, each one other than the
// unreserved characters and '/' percent-encoded.
QString fileUrlOf(const QString& path);

// The local path a "file:" URL names ("file:///home/me/a%20b.mp3",
// "file://localhost/..." or "file:/..."), percent-decoded to its bytes; an
// empty path for a file on another host, a URL without an absolute path or
// one holding "%00"; nothing when the location is not a file URL.
std::optional<QString> localPathOfFileUrl(QByteArrayView location);

} // namespace platform
