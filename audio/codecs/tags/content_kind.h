// What kind of file a tag reader faces, told by its first bytes: a file
// renamed by hand (an M4A called .mp3, a WAV called .mp3) keeps its content.
#pragma once

#include "audio/codecs/tags/byte_reader.h"

namespace audio::tags {

enum class ContentKind { Mpeg, Chunks, Flac, Ogg, Mp4, Asf, Unknown };

// The kind of the content after any leading ID3v2 tags; Mpeg also for an
// ID3v2 tag followed by something this does not recognise (MPEG audio
// streams start with a tag more often than with a frame).
ContentKind contentKind(ByteReader& file);

} // namespace audio::tags
