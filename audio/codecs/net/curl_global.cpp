#include "audio/codecs/net/curl_global.h"

#include <curl/curl.h>

namespace audio::net {

void ensureCurlInitialised() {
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)initialised;
}

} // namespace audio::net
