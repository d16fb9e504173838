// A copy of an ID3v2 tag with only the frames the title fields come from.
// TagLib builds an object for every frame of a tag and a property for each
// on request, so a tag of a million tiny frames (ten megabytes) would take it
// seconds; the copy keeps the first frame of each kind the fields read (or
// the first pictures).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace audio::tags {

// tag: an ID3v2 tag from its header on (it may be cut short). The copy is an
// ID3v2 tag of the same version without unsynchronisation, extended header
// or footer; nothing when the bytes are not an ID3v2 tag TagLib could read.
std::optional<std::string> id3v2Subset(std::string_view tag);

// The same kind of copy with only the tag's first few pictures (APIC, PIC).
std::optional<std::string> id3v2PictureSubset(std::string_view tag);

} // namespace audio::tags
