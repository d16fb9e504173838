// Finds the name a station gives itself: the icy-name header of its stream.
#pragma once

#include <QString>

namespace playback {

// Opens the URL as a network stream, blocking until it answers or fails, and
// returns the rest of its first "icy-name:" header line (ICY headers first,
// then HTTP headers); empty when there is none or the open fails.
QString ProbeStationName(const QString& url);

} // namespace playback
