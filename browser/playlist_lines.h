// The lines of a playlist file: ".m3u" in the ANSI code page, ".m3u8" in UTF-8.
#pragma once

#include <QByteArray>
#include <QStringList>

namespace browser {

// Each line decoded by itself (valid UTF-8 as UTF-8, else CP932); a CR before
// the LF is dropped and a final line end does not start another line.
QStringList DecodeM3uLines(const QByteArray& bytes);

// The UTF-8 text (a leading byte order mark dropped) up to the first invalid
// sequence, split into lines the same way.
QStringList DecodeM3u8Lines(QByteArray bytes);

} // namespace browser
