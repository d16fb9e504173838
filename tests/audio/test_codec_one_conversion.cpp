// A stream's samples pass one resampler on their way to the device: what
// the engine's decoder and converter make of a file equals what a single
// libswresample context makes of the samples as FFmpeg's decoder gives them
// (their own sample format and layout), layout, rate and sample format in
// one step. So the decoder's unpacking changes no sample and adds no
// conversion of its own.
#include "audio/codecs/ffmpeg/av.h"
#include "audio/engine/codec_module.h"
#include "audio/engine/module_decoder.h"
#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct Rendered {
    std::vector<float> stereo;
    std::string sourceFormat; // the decoder's own sample format, e.g. "s32p"
};

// Appends what swr gives for frames input frames (null: what it still holds).
void resampleInto(SwrContext* swr, const uint8_t* const* in, int frames, std::vector<float>& out) {
    const int room = swr_get_out_samples(swr, frames);
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(room) * 2);
    auto* dst = reinterpret_cast<uint8_t*>(out.data() + start);
    const int got = swr_convert(swr, &dst, room, const_cast<const uint8_t**>(in), frames);
    out.resize(start + static_cast<size_t>(std::max(got, 0)) * 2);
}

// FFmpeg alone: the decoder's frames in their own format and layout, through
// one swr context to stereo float at outRate.
Rendered throughOneResampler(const std::string& path, int outRate) {
    Rendered result;
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0)
        return result;
    audio::FormatPtr format(opened);
    avformat_find_stream_info(format.get(), nullptr);
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index < 0)
        return result;
    audio::CodecPtr context(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(context.get(), format->streams[index]->codecpar);
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return result;
    audio::PacketPtr packet(av_packet_alloc());
    audio::FramePtr frame(av_frame_alloc());
    audio::SwrPtr swr;
    const auto drain = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            if (!swr) {
                result.sourceFormat =
                    av_get_sample_fmt_name(static_cast<AVSampleFormat>(frame->format));
                SwrContext* made = nullptr;
                AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
                swr_alloc_set_opts2(&made, &stereo, AV_SAMPLE_FMT_FLT, outRate, &frame->ch_layout,
                                    static_cast<AVSampleFormat>(frame->format), frame->sample_rate,
                                    0, nullptr);
                swr.reset(made);
                swr_init(made);
            }
            resampleInto(swr.get(), frame->extended_data, frame->nb_samples, result.stereo);
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == index)
            avcodec_send_packet(context.get(), packet.get());
        av_packet_unref(packet.get());
        drain();
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
    if (swr)
        resampleInto(swr.get(), nullptr, 0, result.stereo);
    return result;
}

// The engine's way: the codec module's decoder, then its converter, block
// by block as a stream's decoder thread drives them.
std::vector<float> throughTheEngine(const std::string& path, int outRate) {
    const QcCodecTable& table = *audio::codecs();
    int error = 0;
    const auto decoder = audio::core::ModuleDecoder::openFile(table, path, &error);
    if (!decoder) {
        ADD_FAILURE() << path << " failed with error " << error;
        return {};
    }
    const audio::core::DecodedFormat source = decoder->format();
    audio::core::ModuleConverter converter(table, source.sampleRate, source.channels, outRate);
    EXPECT_TRUE(converter.valid());
    constexpr int kBlockFrames = 4096;
    std::vector<float> block(static_cast<size_t>(kBlockFrames) * source.channels);
    std::vector<float> converted;
    std::vector<float> stereo;
    for (int got; (got = decoder->decode(block.data(), kBlockFrames)) > 0;) {
        converter.convert(block.data(), static_cast<size_t>(got), converted);
        stereo.insert(stereo.end(), converted.begin(), converted.end());
    }
    converter.flush(converted);
    stereo.insert(stereo.end(), converted.begin(), converted.end());
    return stereo;
}

TEST(CodecOneConversion, TheEngineGivesWhatASingleResamplerMakesOfTheDecodedData) {
    const struct {
        const char* fixture;
        const char* sourceFormat;
        int outRate;
        double seconds; // the source's length
        double slack;   // in frames at outRate
    } cases[] = {
        {"tone_5.1_96k_24bit.flac", "s32", 44100, 2, 0}, // downmix and rate
        {"tone_5.1_96k_24bit.flac", "s32", 96000, 2, 0}, // downmix alone
        {"tone_5.1_96k_24bit.flac", "s32", 48000, 2, 0},
        {"tone_1k_3s.flac", "s16", 48000, 3, 0},    // rate alone
        {"tone_1k_3s.flac", "s16", 44100, 3, 0},    // nothing changes
        {"tone_1k_3s.wav", "s16", 44100, 3, 0},     // nothing changes
        {"tone_1k_3s.ogg", "fltp", 44100, 3, 0},    // planar float
        {"tone_1k_3s.mp3", "fltp", 96000, 3, 0},    // planar float, upsampled
        {"tone_1k_3s.wma", "fltp", 48000, 3, 2048}, // ASF's preroll
        {"tone_1k_3s.opus", "fltp", 44100, 3, 0},   // from 48 kHz
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " at " + std::to_string(c.outRate));
        const std::string path = testsupport::fixture(c.fixture);
        const Rendered reference = throughOneResampler(path, c.outRate);
        EXPECT_EQ(reference.sourceFormat, c.sourceFormat);
        const std::vector<float> engine = throughTheEngine(path, c.outRate);
        // A resampler's output may end a filter's length short.
        ASSERT_NEAR(static_cast<double>(engine.size() / 2), c.seconds * c.outRate, c.slack + 64);
        ASSERT_EQ(engine.size(), reference.stereo.size());
        float largest = 0;
        size_t where = 0;
        for (size_t i = 0; i < engine.size(); ++i) {
            const float difference = std::fabs(engine[i] - reference.stereo[i]);
            if (difference > largest) {
                largest = difference;
                where = i;
            }
        }
        EXPECT_LE(largest, 1e-6f) << "at frame " << where / 2;
    }
}

} // namespace
