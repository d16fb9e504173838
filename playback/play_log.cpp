#include "playback/play_log.h"

#include "platform/file_name.h"

#include <cstdio>

namespace playback {

void AppendToPlayLog(const QString& location) {
    const QByteArray path = qgetenv("QUAVERLY_PLAY_LOG");
    if (path.isEmpty())
        return;
    if (std::FILE* log = std::fopen(path.constData(), "ae")) {
        const QByteArray line = platform::encodeFileName(location) + '\n';
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), log);
        std::fclose(log);
    }
}

} // namespace playback
