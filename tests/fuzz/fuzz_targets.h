// The fuzzing harnesses. Each takes one input, runs it through a parser of
// the player and checks what that parser promises; a broken promise aborts.
// The libFuzzer executables and the replay test both call these.
#pragma once

#include <cstddef>
#include <cstdint>

int fuzzPlaylist(const uint8_t* data, size_t size);
int fuzzListRewrite(const uint8_t* data, size_t size);
int fuzzRssFeed(const uint8_t* data, size_t size);
int fuzzIcyStream(const uint8_t* data, size_t size);
int fuzzIniFile(const uint8_t* data, size_t size);
int fuzzTagFormat(const uint8_t* data, size_t size);
int fuzzCodePage(const uint8_t* data, size_t size);
int fuzzAudioDecode(const uint8_t* data, size_t size);
