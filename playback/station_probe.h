// Finds the name a station gives itself: the icy-name header of its stream.
#pragma once

#include "audio/api/bass.h"
#include "audio/common/http_policy.h"

#include <QString>
#include <optional>

namespace playback {

// The probe's limits (10 s in all), ended at once when the program is asked
// to close.
audio::net::HttpLimits StationProbeLimits();

// Asks the URL for its stream's response headers (following playlist links),
// blocking until they are in or the probe failed, and returns the rest of the
// first "icy-name:" line (ICY headers first, then HTTP headers); empty when
// there is none or the probe fails, whose cause is logged.
QString ProbeStationName(const QString& url,
                         const audio::net::HttpLimits& limits = StationProbeLimits());
// The same, telling a failed probe (std::nullopt) from a station that gives
// no name (an empty text).
std::optional<QString> LookUpStationName(const QString& url, const audio::net::HttpLimits& limits);

// The rest of the first "icy-name:" header line of an open stream (ICY
// headers first, then HTTP headers); empty when there is none.
QString StationNameOf(HSTREAM stream);

} // namespace playback
