#include "audio/codecs/ffmpeg/errors.h"

#include "audio/api/bass.h"
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
        return BASS_ERROR_FILEOPEN;
    case AVERROR(ENOMEM):
        return BASS_ERROR_MEM;
    case AVERROR_EXIT:
        return BASS_ERROR_UNKNOWN;
    case AVERROR_DECODER_NOT_FOUND:
        return BASS_ERROR_CODEC;
    default:
        return BASS_ERROR_FILEFORM;
    }
}

} // namespace audio
