// Hands ICY metadata texts from the network thread to the stream's handler.
// A text that arrives before a handler is set is kept (only the newest) and
// delivered once there is one, so the first title is never lost to the race
// between the open returning and the caller installing its handler.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace audio::net {

class MetadataChannel {
public:
    using Handler = std::function<void(const std::string&)>;

    void setHandler(Handler handler);
    void publish(const std::string& text);
    // Delivers a text kept while no handler was set; the caller's thread runs
    // the handler.
    void deliverPending();

private:
    std::mutex mutex_;
    Handler handler_;
    std::optional<std::string> pending_;
};

} // namespace audio::net
