// The cover picture of a playing file, for desktop media widgets: written
// once into the user's cache folder under a name made from its contents, so
// that the tracks of an album share one file and a picture is never written
// twice.
#pragma once

#include <QByteArray>
#include <QString>

namespace app {

// The folder: $XDG_CACHE_HOME/quaverly/covers (~/.cache when unset).
QString CoverCacheFolder();

// Stores the picture's bytes unless a file of the same contents is there
// already; returns the file's file:// URL, or "" when there is no picture or
// the folder cannot be written (the cause is logged).
QString CachedCoverUrl(const QByteArray& picture);

} // namespace app
