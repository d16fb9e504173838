// The title fields among the metadata an FFmpeg demuxer found.
#pragma once

#include "audio/codecs/tags/tag_fields.h"

struct AVDictionary;

namespace audio {

// From the format's dictionary, then the stream's for what it lacks (Ogg
// keeps its comments there). Either may be null.
tags::TagFields metadataFields(const AVDictionary* format, const AVDictionary* stream);

} // namespace audio
