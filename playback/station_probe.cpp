#include "playback/station_probe.h"

#include "audio/engine/network_entry.h"
#include "platform/close_request.h"
#include "platform/code_page.h"
#include "playback/playback_log.h"

#include <QByteArray>
#include <string>
#include <vector>

namespace playback {

namespace {

bool FindIcyName(const std::vector<std::string>& headers, QString* name) {
    static const char prefix[] = "icy-name:";
    const size_t prefixLength = sizeof(prefix) - 1;
    for (const std::string& line : headers) {
        if (line.size() >= prefixLength && qstrnicmp(line.c_str(), prefix, prefixLength) == 0) {
            *name =
                platform::decodeStationText(QByteArray::fromStdString(line.substr(prefixLength)));
            return true;
        }
    }
    return false;
}

// The texts of a tag list of the library: zero-terminated, ended by an
// empty one.
std::vector<std::string> TagLines(const char* list) {
    std::vector<std::string> lines;
    for (const char* line = list; line && *line; line += qstrlen(line) + 1)
        lines.emplace_back(line);
    return lines;
}

} // namespace

QString StationNameOf(HSTREAM stream) {
    QString name;
    if (!FindIcyName(TagLines(BASS_ChannelGetTags(stream, BASS_TAG_ICY)), &name))
        FindIcyName(TagLines(BASS_ChannelGetTags(stream, BASS_TAG_HTTP)), &name);
    return name;
}

audio::net::HttpLimits StationProbeLimits() {
    audio::net::HttpLimits limits = audio::net::HttpLimits::probe();
    limits.abortRequested = &platform::closeRequested;
    return limits;
}

std::optional<QString> LookUpStationName(const QString& url, const audio::net::HttpLimits& limits) {
    const audio::net::ProbedHeaders probed = audio::probeHeaders(url.toStdString(), limits);
    if (probed.failure) {
        qCInfo(lcPlayback) << "station name not found:" << url << describe(probed.failure).c_str();
        return std::nullopt;
    }
    QString name;
    if (!FindIcyName(probed.icyLines, &name))
        FindIcyName(probed.httpLines, &name);
    return name;
}

QString ProbeStationName(const QString& url, const audio::net::HttpLimits& limits) {
    return LookUpStationName(url, limits).value_or(QString());
}

} // namespace playback
