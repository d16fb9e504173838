// A codec module of the next interface version, as a module built from a
// newer (or older) source would be: its note and its table say so, and it
// has nothing else. The program must refuse it before calling anything.
#include "audio/codecs/codec_abi.h"

namespace {
constexpr uint32_t kOtherVersion = QC_ABI_VERSION + 1;
}

extern "C" {

QC_DEFINE_ABI_NOTE(kOtherVersion);

const QcCodecTable* quaverly_codec_table(void) {
    static const QcCodecTable table = [] {
        QcCodecTable other{};
        other.abiVersion = kOtherVersion;
        other.size = sizeof other;
        return other;
    }();
    return &table;
}

} // extern "C"
