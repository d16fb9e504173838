// The tag readers of the codec module.
#pragma once

#include "audio/common/tag_fields.h"

#include <string>

namespace audio::tags {

// Reads the tags of a local file with TagLib (any extension the player
// offers); an unreadable file or one without tags gives empty fields.
TagFields readFileTags(const std::string& utf8Path);

// The fields of a network stream: those of the ID3v2 tag it started with
// (its bytes; empty when it had none), completed by the fields its demuxer
// found (Ogg comments, MP4 atoms, an ID3v1 tag).
TagFields readStreamTags(const std::string& leadingId3v2, const TagFields& demuxed);

// The picture embedded in a local file (its front cover when it has several),
// as the bytes of the image file; empty when it has none or cannot be read.
std::string readFilePicture(const std::string& utf8Path);

} // namespace audio::tags
