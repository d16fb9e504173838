// The cover picture of a playing file, for desktop media widgets: written
// once into the user's cache folder under a name made from its contents, so
// that the tracks of an album share one file and a picture is never written
// twice. The folder is bounded: a picture beyond a size is not stored, and
// once the folder holds more than its total, the pictures used longest ago
// are removed.
#pragma once

#include <QByteArray>
#include <QString>

namespace app {

struct CoverCacheLimits {
    qint64 maxPictureBytes = 16 * 1024 * 1024;
    qint64 maxTotalBytes = 64 * 1024 * 1024;
};

// The folder: $XDG_CACHE_HOME/quaverly/covers (~/.cache when unset).
QString CoverCacheFolder();

// Stores the picture's bytes unless a file of the same contents is there
// already (then marks it as just used); returns the file's file:// URL, or ""
// when there is no picture, it is larger than the limit, or the folder cannot
// be written (the cause is logged).
QString CachedCoverUrl(const QByteArray& picture, const CoverCacheLimits& limits = {});

} // namespace app
