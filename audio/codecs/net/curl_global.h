// libcurl's process-wide set-up, done once on first use.
#pragma once

namespace audio::net {

void ensureCurlInitialised();

} // namespace audio::net
