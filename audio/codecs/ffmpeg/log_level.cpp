// FFmpeg prints what it notices in odd or damaged input (a skipped frame, an
// estimated duration) on stderr, where it reads as the player's own noise;
// what matters reaches the caller as an error code. Its log is quiet from the
// moment the codec objects are loaded.
extern "C" {
#include <libavutil/log.h>
}

namespace {

const bool kFfmpegQuiet = [] {
    av_log_set_level(AV_LOG_QUIET);
    return true;
}();

} // namespace
