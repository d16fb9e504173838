// Maps FFmpeg error codes to the library's QC_ERROR_* codes.
#pragma once

namespace audio {

// For a failed avformat_open_input / avformat_find_stream_info.
int bassErrorForOpen(int averror);

} // namespace audio
