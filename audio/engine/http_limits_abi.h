// HttpLimits as the codec module's C table takes them. The abort check is
// called through the limits object, which must outlive every use.
#pragma once

#include "audio/codecs/codec_abi.h"
#include "audio/common/http_policy.h"

namespace audio::core {

inline QcHttpLimits toAbi(const net::HttpLimits& limits) {
    const QcAbortCheck ask = [](void* context) -> int32_t {
        return (*static_cast<const std::function<bool()>*>(context))() ? 1 : 0;
    };
    return QcHttpLimits{limits.connectTimeoutMs,
                        limits.stallTimeoutMs,
                        limits.deadlineMs,
                        limits.maxBodyBytes,
                        limits.abortRequested ? ask : nullptr,
                        const_cast<std::function<bool()>*>(&limits.abortRequested)};
}

} // namespace audio::core
