#include "audio/codecs/ffmpeg/length.h"

#include "audio/codecs/ffmpeg/av.h"

#include <string_view>

namespace audio {

int64_t streamLengthFrames(const AVFormatContext& format, const AVStream& stream, int sampleRate) {
    const AVRational perFrame{1, sampleRate};
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
        int64_t frames = av_rescale_q(stream.duration, stream.time_base, perFrame);
        // A positive start time is the encoder delay the decoder skips (MP3).
        if (stream.start_time != AV_NOPTS_VALUE && stream.start_time > 0)
            frames -= av_rescale_q(stream.start_time, stream.time_base, perFrame);
        // Opus in Ogg counts its pre-skip in the granule positions.
        if (stream.codecpar->codec_id == AV_CODEC_ID_OPUS)
            frames -= av_rescale(stream.codecpar->initial_padding, sampleRate, 48000);
        return frames > 0 ? frames : 0;
    }
    if (format.duration != AV_NOPTS_VALUE && format.duration > 0)
        return av_rescale_q(format.duration, AV_TIME_BASE_Q, perFrame);
    return -1;
}

bool isOgg(const AVFormatContext& format) {
    return format.iformat && std::string_view(format.iformat->name) == "ogg";
}

bool lengthIsExact(const AVFormatContext& format) {
    // A chained Ogg file's audio may differ from the sum of its streams'
    // lengths by a packet at each joint.
    return !isOgg(format) && format.duration_estimation_method == AVFMT_DURATION_FROM_STREAM;
}

} // namespace audio
