// The cue sheet an album image carries in itself: a CUESHEET Vorbis comment
// of a FLAC file, else its CUESHEET metadata block (track starts only), or a
// CUESHEET item of an APE tag at the end (Monkey's Audio, WavPack, TTA, TAK).
#pragma once

#include <cstddef>
#include <string>

namespace audio::tags {

// A larger sheet is no album's: it is not believed.
inline constexpr std::size_t kMaxEmbeddedCueBytes = std::size_t(1) << 20;

// The sheet's text as the file holds it (a CUESHEET block becomes the text
// of a sheet with a TRACK and INDEX 01 line for each audio track); empty when
// the file has none or cannot be read.
std::string readEmbeddedCueSheet(const std::string& utf8Path);

// The text of a FLAC CUESHEET metadata block for a stream of sampleRate,
// each track's start in CD frames; empty for a damaged block.
std::string cueSheetOfFlacBlock(const std::string& block, int sampleRate);

} // namespace audio::tags
