#include "playback/station_probe.h"

#include "audio/bass.h"
#include "platform/code_page.h"

#include <QByteArray>

namespace playback {

namespace {

bool FindIcyName(const char* headers, QString* name) {
    if (!headers)
        return false;
    static const char prefix[] = "icy-name:";
    const size_t prefixLength = sizeof(prefix) - 1;
    for (const char* line = headers; *line; line += qstrlen(line) + 1) {
        if (qstrlen(line) >= prefixLength && qstrnicmp(line, prefix, prefixLength) == 0) {
            *name = platform::decodeAnsi(QByteArray(line + prefixLength));
            return true;
        }
    }
    return false;
}

} // namespace

QString ProbeStationName(const QString& url) {
    const HSTREAM probe = BASS_StreamCreateURL(url.utf16(), 0, BASS_UNICODE, nullptr, nullptr);
    QString name;
    if (probe != 0) {
        const char* headers = BASS_ChannelGetTags(probe, BASS_TAG_ICY);
        if (!headers)
            headers = BASS_ChannelGetTags(probe, BASS_TAG_HTTP);
        FindIcyName(headers, &name);
        BASS_StreamFree(probe);
    }
    return name;
}

} // namespace playback
