#include "audio/codecs/net/metadata_channel.h"

namespace audio::net {

void MetadataChannel::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void MetadataChannel::publish(const std::string& text) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        if (!handler_) {
            pending_ = text;
            return;
        }
        handler = handler_;
    }
    handler(text);
}

void MetadataChannel::deliverPending() {
    Handler handler;
    std::string text;
    {
        std::lock_guard lock(mutex_);
        if (!handler_ || !pending_)
            return;
        handler = handler_;
        text = std::move(*pending_);
        pending_.reset();
    }
    handler(text);
}

} // namespace audio::net
