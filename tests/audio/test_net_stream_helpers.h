// Shared helpers for the network stream tests: building ICY streams and
// draining an HttpSource.
#pragma once

#include "audio/codecs/net/http_source.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace nettest {

// Audio with an ICY metadata block after every `interval` bytes; blocks not
// named in `texts` (by their index) are empty (a zero length byte).
inline std::string interleave(const std::string& audio, size_t interval,
                              const std::map<size_t, std::string>& texts) {
    std::string stream;
    size_t block = 0;
    for (size_t pos = 0; pos < audio.size(); pos += interval, ++block) {
        stream += audio.substr(pos, interval);
        if (pos + interval > audio.size())
            break;
        const auto text = texts.find(block);
        if (text == texts.end()) {
            stream += '\0';
            continue;
        }
        const size_t units = (text->second.size() + 15) / 16;
        stream += static_cast<char>(units);
        stream += text->second;
        stream.append(units * 16 - text->second.size(), '\0');
    }
    return stream;
}

// Short limits, so that no test waits for a real client's clock.
inline audio::net::HttpOpenOptions quickOptions(long stallMs = 2000, bool follow = true) {
    audio::net::HttpOpenOptions options;
    options.followPlaylists = follow;
    options.limits.connectTimeoutMs = 1000;
    options.limits.stallTimeoutMs = stallMs;
    options.limits.deadlineMs = 0;
    return options;
}

// How an open failed; None when it opened.
inline audio::net::HttpOpenError openFailure(const std::string& url,
                                             const audio::net::HttpOpenOptions& options) {
    audio::net::HttpFailure failure;
    const auto source = audio::net::HttpSource::open(url, options, &failure);
    return source ? audio::net::HttpOpenError::None : failure.kind;
}

inline std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return bytes;
}

struct Drained {
    std::string bytes;
    int last = 0; // the read result that ended the loop: 0 end, -1 error
};

inline Drained drain(audio::net::HttpSource& source, size_t limit = 64 * 1024 * 1024) {
    Drained result;
    uint8_t chunk[3000];
    while (result.bytes.size() < limit) {
        result.last = source.read(chunk, sizeof chunk);
        if (result.last <= 0)
            break;
        result.bytes.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(result.last));
    }
    return result;
}

class MetadataLog {
public:
    void attach(audio::net::HttpSource& source) {
        source.setMetadataHandler([this](const std::string& text) {
            {
                std::lock_guard lock(mutex_);
                texts_.push_back(text);
            }
            arrived_.notify_all();
        });
    }
    std::vector<std::string> texts() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    // The texts once `count` have come, or after two seconds: a text kept
    // for a handler set late is handed over by the network thread, which may
    // do so just after the reader has seen the stream's end.
    std::vector<std::string> textsOnceThereAre(std::size_t count) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, std::chrono::seconds(2), [&] { return texts_.size() >= count; });
        return texts_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> texts_;
};

// The size of the MPEG-1 Layer III frame whose header starts at pos, or 0
// when no such header is there.
inline size_t mp3FrameSize(const std::string& bytes, size_t pos) {
    static constexpr int kbps[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                     112, 128, 160, 192, 224, 256, 320, 0};
    static constexpr int rates[4] = {44100, 48000, 32000, 0};
    if (pos + 4 > bytes.size())
        return 0;
    const auto b = [&](size_t i) { return static_cast<uint8_t>(bytes[pos + i]); };
    if (b(0) != 0xFF || (b(1) & 0xFE) != 0xFA)
        return 0;
    const int bitrate = kbps[b(2) >> 4];
    const int rate = rates[(b(2) >> 2) & 3];
    if (bitrate == 0 || rate == 0)
        return 0;
    return static_cast<size_t>(144 * bitrate * 1000 / rate + ((b(2) >> 1) & 1));
}

inline long long millisSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

} // namespace nettest
