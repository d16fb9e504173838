#include "playback/play_log.h"

#include <QFile>

namespace playback {

void AppendToPlayLog(const QString& location) {
    const QString path = qEnvironmentVariable("QUAVERLY_PLAY_LOG");
    if (path.isEmpty())
        return;
    QFile log(path);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(location.toUtf8() + '\n');
}

} // namespace playback
