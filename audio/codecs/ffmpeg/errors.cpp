#include "audio/codecs/ffmpeg/errors.h"

#include "audio/codecs/codec_abi.h"
#include "audio/codecs/ffmpeg/av.h"

#include <cerrno>

namespace audio {

int bassErrorForOpen(int averror) {
    switch (averror) {
    case AVERROR(ENOENT):
    case AVERROR(EACCES):
    case AVERROR(EISDIR):
    case AVERROR(EPERM):
    case AVERROR(EIO):
        return QC_ERROR_FILEOPEN;
    case AVERROR(ENOMEM):
        return QC_ERROR_MEM;
    case AVERROR_EXIT:
        return QC_ERROR_UNKNOWN;
    case AVERROR_DECODER_NOT_FOUND:
        return QC_ERROR_CODEC;
    default:
        return QC_ERROR_FILEFORM;
    }
}

} // namespace audio
