// The entry points that need FFmpeg, libcurl, TagLib and TinyXML-2. They live
// in a module of their own (libquaverly-codecs.so) that the player loads on
// its first stream, tag read or download rather than at start-up: those
// libraries and their dependencies are over a hundred shared objects, and
// loading them would delay the window. Programs that link the codec objects
// directly (the tests, tools and benchmarks) use them without loading
// anything.
#pragma once

#include "audio/codecs/decoder.h"
#include "audio/codecs/format_converter.h"
#include "audio/codecs/net/document_fetch.h"
#include "audio/codecs/net/header_probe.h"

#include <memory>
#include <string>

namespace audio {

struct CodecTable {
    std::unique_ptr<Decoder> (*openFile)(const std::string& path, int* bassError);
    std::unique_ptr<Decoder> (*openUrl)(const std::string& url, const net::HttpOpenOptions& options,
                                        int* bassError);
    std::unique_ptr<core::FormatConverter> (*makeConverter)(int inRate, int inChannels,
                                                            int outRate);
    net::FetchedDocument (*fetchDocument)(const std::string& url, const net::HttpLimits& limits,
                                          const net::FetchProgress& progress);
    net::ProbedHeaders (*probeHeaders)(const std::string& url, const net::HttpLimits& limits);
    std::string (*readFilePicture)(const std::string& utf8Path);
    std::string (*readEmbeddedCueSheet)(const std::string& utf8Path);
};

// The codec entry points, loaded on the first call; nullptr when the module
// cannot be found or loaded (the reason is printed once on stderr). The
// module stays loaded for the life of the process.
const CodecTable* codecs();

} // namespace audio

// Defined by the codec objects; the loader looks for it in the program first.
extern "C" const audio::CodecTable* quaverly_codec_table();

// The module's file name.
#define QUAVERLY_CODEC_MODULE "libquaverly-codecs.so"
