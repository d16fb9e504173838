// The decoder's converter: frames in the stream's first rate and channel
// count are unpacked as they are; a later logical stream of a chained Ogg
// file in another rate or channel count is resampled to the first.
#include "audio/codecs/ffmpeg/sample_converter.h"
#include "test_decoder_support.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A frame of a 1 kHz sine at amplitude 1/4 in every channel, starting at
// frame first of the tone.
audio::FramePtr sineFrame(AVSampleFormat format, int rate, int channels, int frames, int first) {
    audio::FramePtr frame(av_frame_alloc());
    frame->format = format;
    frame->sample_rate = rate;
    frame->nb_samples = frames;
    av_channel_layout_default(&frame->ch_layout, channels);
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    for (int i = 0; i < frames; ++i) {
        const double value = 0.25 * std::sin(2 * kPi * 1000 * (first + i) / rate);
        for (int c = 0; c < channels; ++c) {
            if (format == AV_SAMPLE_FMT_S16P)
                reinterpret_cast<int16_t*>(frame->extended_data[c])[i] =
                    static_cast<int16_t>(std::lround(value * 32768));
            else
                reinterpret_cast<float*>(frame->extended_data[c])[i] = static_cast<float>(value);
        }
    }
    return frame;
}

TEST(DecoderSampleConverter, ALaterStreamInAnotherFormatIsResampledToTheFirst) {
    struct Part {
        AVSampleFormat format;
        int rate;
        int channels;
        int frameSize;
        int frames;
    };
    // A 44.1 kHz stereo stream, then one in 22.05 kHz mono, then 48 kHz
    // stereo, as chained Ogg radio recordings have them.
    const Part parts[] = {{AV_SAMPLE_FMT_S16P, 44100, 2, 1152, 44100},
                          {AV_SAMPLE_FMT_FLTP, 22050, 1, 1024, 22050},
                          {AV_SAMPLE_FMT_FLTP, 48000, 2, 960, 48000}};
    audio::SampleConverter converter(44100, 2);
    for (const Part& part : parts) {
        SCOPED_TRACE(std::to_string(part.rate) + " Hz, " + std::to_string(part.channels));
        audio::SampleBuffer out;
        for (int done = 0; done < part.frames; done += part.frameSize) {
            const int frames = std::min(part.frameSize, part.frames - done);
            const auto frame = sineFrame(part.format, part.rate, part.channels, frames, done);
            ASSERT_TRUE(converter.append(*frame, &out));
        }
        const std::vector<float> samples(out.begin(), out.end());
        // One second each at 44.1 kHz, less what a resampler still holds.
        const double frames = static_cast<double>(samples.size()) / 2;
        if (part.rate == 44100)
            EXPECT_EQ(frames, 44100);
        else
            EXPECT_NEAR(frames, 44100, 64);
        EXPECT_NEAR(decodertest::toneFrequency(samples, 2, 44100, 0), 1000.0, 5.0);
        EXPECT_NEAR(decodertest::toneFrequency(samples, 2, 44100, 1), 1000.0, 5.0);
        EXPECT_GT(decodertest::rms(samples, 2, 1), 0.1);
    }
}

TEST(DecoderSampleConverter, FramesInTheFirstFormatComeOutAsDecoded) {
    const struct {
        AVSampleFormat format;
        int channels;
    } cases[] = {{AV_SAMPLE_FMT_S16P, 2}, {AV_SAMPLE_FMT_FLTP, 6}, {AV_SAMPLE_FMT_FLTP, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(av_get_sample_fmt_name(c.format) + std::string(", ") +
                     std::to_string(c.channels));
        audio::SampleConverter converter(96000, c.channels);
        const auto frame = sineFrame(c.format, 96000, c.channels, 4096, 0);
        std::vector<float> out(4096 * c.channels);
        const auto written = converter.convert(*frame, out.data(), 4096);
        ASSERT_TRUE(written.has_value());
        ASSERT_EQ(*written, 4096);
        for (int i = 0; i < 4096; ++i) {
            for (int ch = 0; ch < c.channels; ++ch) {
                const float sample =
                    c.format == AV_SAMPLE_FMT_S16P
                        ? reinterpret_cast<const int16_t*>(frame->extended_data[ch])[i] / 32768.f
                        : reinterpret_cast<const float*>(frame->extended_data[ch])[i];
                ASSERT_EQ(out[i * c.channels + ch], sample) << i << ", " << ch;
            }
        }
        EXPECT_EQ(converter.convert(*frame, out.data(), 4095), std::nullopt) << "too little room";
    }
}

} // namespace
