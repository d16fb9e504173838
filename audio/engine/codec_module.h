// The codec module (libquaverly-codecs.so): found beside the program or in
// the install layout's library folder, loaded on the first stream, tag read
// or download, and used only when its table is of this program's version.
#pragma once

#include "audio/codecs/codec_abi.h"

#include <cstdint>
#include <optional>
#include <string>

namespace audio {

// The module's table, loaded on the first call (the program's own when it
// links the codec objects); nullptr when the module is missing or refused
// (the reason is printed once on stderr). It stays loaded for the process.
const QcCodecTable* codecs();

// Whether a table may be used: the version this program was built with and
// at least the size it knows. No other field is read before this says yes.
bool tableFits(const QcCodecTable* table);

// The version a module file declares in its note, without loading it; none
// when the file cannot be read or has no such note (built before versions).
std::optional<uint32_t> moduleFileAbiVersion(const std::string& path);

enum class ModuleCheck {
    Usable,      // the program's own codecs, or a module of this version
    Missing,     // no module found: streams will fail, the program may run
    OtherVersion // a module of another version, or without one
};

// What codecs() would find, decided from the file alone: cheap enough for
// start-up, which must not load FFmpeg and its libraries.
ModuleCheck checkCodecModule();

} // namespace audio
