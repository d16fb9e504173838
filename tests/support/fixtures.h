// Generated audio fixtures: tones of known length, frequency and tags in every
// format, made by tests/fixtures/make_fixtures.sh with the ffmpeg tool.
#pragma once

#include <string>

namespace testsupport {

// Generates the fixtures on first use (guarded by a lock file so parallel
// test processes do not race) and returns the absolute path of one of them,
// for example fixture("tone_1k_3s.mp3").
std::string fixture(const std::string& name);
std::string fixtureDir();

// Makes a 3-second 440 Hz stereo tone at path with ffmpeg, in the format
// of its extension, carrying the cue sheet as a CUESHEET tag (a Vorbis
// comment, an APE item) unless sheet is empty; ffmpeg's complaint when it
// failed, else an empty text.
std::string makeToneWithCueSheet(const std::string& path, const std::string& sheet);

// The player executable and the folder of the build.
std::string playerExecutable();
std::string binaryDir();

} // namespace testsupport
