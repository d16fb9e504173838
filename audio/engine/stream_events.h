// Events a stream raises for the mixer: stamped with the stream frame where
// they happen, fired when that frame is heard.
#pragma once

#include "audio/api/bass.h"

#include <cstdint>
#include <memory>
#include <string>

namespace audio::core {

class Stream;

// A tag text as BASS_ChannelGetTags returns it (a zero-terminated text or a
// list of them ended by an empty one), kept alive while readers may hold it.
using TagText = std::shared_ptr<const std::string>;

struct StreamEvent {
    DWORD syncType = 0; // BASS_SYNC_END, _META or _OGG_CHANGE
    int64_t frame = 0;  // device frames since the stream's last seek
    TagText tag;        // the new META or OGG tag, if any
};

struct DueEvent {
    std::shared_ptr<Stream> stream;
    uint64_t epoch = 0; // the stream's seek/stop epoch when it was pulled
    DWORD syncType = 0;
    int64_t outputFrame = 0; // the mixer's output frame where it is heard
    TagText tag;
    DWORD data = 0; // the sync's data: for END, the follow-on started in its place
    std::shared_ptr<Stream> followOn; // that follow-on, until its start is heard
};

} // namespace audio::core
