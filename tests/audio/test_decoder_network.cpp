// Network decoders over a real HTTP server on 127.0.0.1: a podcast-like file,
// a live station with ICY metadata, and servers that fail.
#include "audio/api/bass.h"
#include "support/fixtures.h"
#include "support/servers/test_http_server.h"
#include "support/temp_dir.h"
#include "test_decoder_support.h"

#include <thread>

namespace {

using decodertest::decodeAll;
using decodertest::frameCount;
using testsupport::TestHttpServer;
using testsupport::TestResponse;

std::unique_ptr<audio::Decoder> openUrlOrFail(const std::string& url) {
    int error = 0;
    auto decoder = audio::Decoder::openUrl(url, {}, &error);
    EXPECT_TRUE(decoder) << url << " failed with error " << error;
    return decoder;
}

// Interleaves ICY metadata blocks into the audio: after every `interval`
// bytes one block, holding the text given for that block number (from 1) or
// nothing.
std::string withIcyMetadata(const std::string& audio, size_t interval,
                            const std::map<int, std::string>& texts) {
    std::string out;
    int block = 0;
    for (size_t at = 0; at < audio.size(); at += interval) {
        out += audio.substr(at, interval);
        if (at + interval > audio.size())
            break;
        const auto text = texts.find(++block);
        if (text == texts.end()) {
            out += '\0';
            continue;
        }
        const size_t units = (text->second.size() + 15) / 16;
        out += static_cast<char>(units);
        out += text->second + std::string(units * 16 - text->second.size(), '\0');
    }
    return out;
}

TEST(DecoderNetwork, AFileWithALengthDecodesAndSeeks) {
    const std::string mp3 = testsupport::readFile(testsupport::fixture("tone_1k_3s.mp3"));
    TestHttpServer server;
    TestResponse response = TestResponse::ok(mp3, "audio/mpeg");
    response.announcedLength = static_cast<int64_t>(mp3.size());
    response.ranges = true;
    server.route("/episode.mp3", response);

    auto decoder = openUrlOrFail(server.url("/episode.mp3"));
    ASSERT_TRUE(decoder);
    EXPECT_TRUE(decoder->isNetwork());
    EXPECT_EQ(decoder->format().sampleRate, 44100);
    EXPECT_NEAR(decoder->lengthFrames(), 132300, 1152);
    EXPECT_FALSE(decoder->httpHeaders().empty());
    const std::vector<float> reference = decodeAll(*decoder);
    EXPECT_EQ(frameCount(reference, *decoder), 132300);
    EXPECT_NEAR(decodertest::toneFrequency(reference, 2, 44100), 1000.0, 5.0);

    ASSERT_TRUE(decoder->seek(44100));
    std::vector<float> block(1000 * 2);
    ASSERT_EQ(decoder->decode(block.data(), 1000), 1000);
    for (size_t i = 0; i < block.size(); ++i)
        ASSERT_NEAR(block[i], reference[44100 * 2 + i], 1e-4) << i;
}

TEST(DecoderNetwork, ALiveStationHasNoLengthAndRaisesMetadataWithItsAudio) {
    const std::string mp3 = testsupport::readFile(testsupport::fixture("tone_1k_20s.mp3"));
    constexpr int kSecondBlock = 20; // 20 * 8192 bytes of 128 kbit/s audio: about 10.2 s
    TestHttpServer server;
    // Sent at about 50 times real time, as a station's burst and stream.
    TestResponse response = TestResponse::dripped(
        withIcyMetadata(mp3, 8192,
                        {{2, "StreamTitle='First';"}, {kSecondBlock, "StreamTitle='Second';"}}),
        8192, 10, "audio/mpeg");
    response.announcedLength = -1; // a station: no length
    response.headers = {"icy-name: Decoder Test", "icy-metaint: 8192"};
    server.route("/live", response);

    auto decoder = openUrlOrFail(server.url("/live"));
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->lengthFrames(), -1);
    EXPECT_FALSE(decoder->seek(0));
    bool named = false;
    for (const std::string& line : decoder->icyHeaders())
        named = named || line.find("Decoder Test") != std::string::npos;
    EXPECT_TRUE(named);

    std::vector<std::string> titles;
    std::vector<int64_t> framesBefore;
    int64_t decoded = 0;
    const auto decodingThread = std::this_thread::get_id();
    decoder->setEventHandler([&](audio::DecoderEvent event) {
        EXPECT_EQ(event, audio::DecoderEvent::MetadataChanged);
        EXPECT_EQ(std::this_thread::get_id(), decodingThread);
        titles.push_back(decoder->metadata());
        framesBefore.push_back(decoded);
    });
    std::vector<float> block(4096 * 2);
    for (int got; (got = decoder->decode(block.data(), 4096)) > 0;)
        decoded += got;
    // The metadata blocks were removed from the audio: every frame decodes.
    EXPECT_NEAR(decoded, 882000, 1152);
    ASSERT_EQ(titles, (std::vector<std::string>{"StreamTitle='First';", "StreamTitle='Second';"}));
    const double secondAt = kSecondBlock * 8192.0 / (128000 / 8) * 44100;
    EXPECT_NEAR(framesBefore[1], secondAt, 44100);
}

// A podcast episode's title fields come from the tags at its start, as a
// file's do.
TEST(DecoderNetwork, EpisodesGiveTheTitleFieldsTheyStartWith) {
    const struct {
        const char* fixture;
        const char* contentType;
        const char* artist;
        const char* title;
        bool allFields; // album, year, disc and track as well
    } cases[] = {
        {"tone_1k_3s.mp3", "audio/mpeg", "Artist", "Title", true},
        {"tone_1k_3s.ogg", "audio/ogg", "Artist", "Title", true},
        {"tone_1k_3s_faststart.m4a", "audio/mp4", "Artist", "Title", true},
        {"tone_1k_3s_many_frames.mp3", "audio/mpeg", "Artist", "Title", false},
        // A cover larger than the probe's limit, which counts from the audio.
        {"tone_1k_3s_cover_3mb.mp3", "audio/mpeg", "Artist", "Title", false},
        {"tone_1k_3s_japanese.mp3", "audio/mpeg", "アーティスト", "日本語のタイトル", false},
        {"tone_1k_3s_notags.mp3", "audio/mpeg", "", "", false},
    };
    TestHttpServer server;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        const std::string bytes = testsupport::readFile(testsupport::fixture(c.fixture));
        TestResponse response = TestResponse::ok(bytes, c.contentType);
        response.announcedLength = static_cast<int64_t>(bytes.size());
        response.ranges = true;
        server.route(std::string("/") + c.fixture, response);
        auto decoder = openUrlOrFail(server.url(std::string("/") + c.fixture));
        ASSERT_TRUE(decoder);
        const audio::tags::TagFields fields = decoder->tags();
        EXPECT_EQ(fields.artist, c.artist);
        EXPECT_EQ(fields.title, c.title);
        if (c.allFields) {
            EXPECT_EQ(fields.album, "Album");
            EXPECT_EQ(fields.year, "1999");
            EXPECT_EQ(fields.disc, "1");
            EXPECT_EQ(fields.track, "3");
        }
        EXPECT_EQ(frameCount(decodeAll(*decoder), *decoder) / 4410, 30) << "3 s of audio";
    }
}

// A server that ignores Range requests gives a stream that plays through
// but does not seek: whether it says so (no Accept-Ranges) or not (it
// claims byte ranges and answers a Range request with the whole body, which
// costs that one request). A seek fails at once, and the stream goes on
// where it was.
TEST(DecoderNetwork, ServersThatIgnoreRangeGiveAStreamThatDoesNotSeek) {
    const std::string mp3 = testsupport::readFile(testsupport::fixture("tone_1k_20s.mp3"));
    const struct {
        const char* path;
        std::vector<std::string> headers;
        size_t requestsASeekMayCost;
    } cases[] = {
        {"/plain.mp3", {}, 0},
        {"/claims.mp3", {"Accept-Ranges: bytes"}, 1},
    };
    TestHttpServer server;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        TestResponse response = TestResponse::ok(mp3, "audio/mpeg");
        response.announcedLength = static_cast<int64_t>(mp3.size());
        response.headers = c.headers;
        server.route(c.path, response);
        auto decoder = openUrlOrFail(server.url(c.path));
        ASSERT_TRUE(decoder);
        EXPECT_NEAR(decoder->lengthFrames(), 882000, 1152);
        std::vector<float> block(4096 * 2);
        ASSERT_EQ(decoder->decode(block.data(), 4096), 4096);
        const size_t requestsBefore = server.requests().size();
        EXPECT_FALSE(decoder->seek(15 * 44100));
        EXPECT_FALSE(decoder->seek(0));
        EXPECT_LE(server.requests().size(), requestsBefore + c.requestsASeekMayCost);
        const int64_t rest = frameCount(decodeAll(*decoder), *decoder);
        EXPECT_NEAR(4096 + rest, 882000, 1152) << "the stream went on where it was";
    }
}

TEST(DecoderNetwork, ServersThatSendNoAudioFail) {
    TestHttpServer server;
    server.route("/text", TestResponse::ok(std::string(100000, 'x'), "audio/mpeg"));
    server.route("/garbage", TestResponse::garbage());
    server.route("/missing", TestResponse::notFound());
    for (const char* path : {"/text", "/garbage", "/missing"}) {
        int error = 0;
        EXPECT_FALSE(audio::Decoder::openUrl(server.url(path), {}, &error)) << path;
        EXPECT_NE(error, 0) << path;
    }
}

TEST(DecoderNetwork, AnEndlessStreamOfNoiseIsNotAudio) {
    TestHttpServer server;
    server.route("/noise", TestResponse::endless("audio/mpeg"));
    int error = 0;
    EXPECT_FALSE(audio::Decoder::openUrl(server.url("/noise"), {}, &error));
    EXPECT_EQ(error, BASS_ERROR_FILEFORM);
}

TEST(DecoderNetwork, ARefusedConnectionIsNoNetwork) {
    int port = 0;
    {
        TestHttpServer closed; // a port that was just free and is free again
        port = closed.port();
    }
    int error = 0;
    EXPECT_FALSE(
        audio::Decoder::openUrl("http://127.0.0.1:" + std::to_string(port) + "/x", {}, &error));
    EXPECT_EQ(error, BASS_ERROR_NONET);
}

TEST(DecoderNetwork, CancelWakesABlockedDecode) {
    const std::string mp3 = testsupport::readFile(testsupport::fixture("tone_1k_20s.mp3"));
    TestHttpServer server;
    server.route("/stall", TestResponse::stalled(mp3.substr(0, 64 * 1024), "audio/mpeg"));
    auto decoder = openUrlOrFail(server.url("/stall"));
    ASSERT_TRUE(decoder);
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        decoder->cancel();
    });
    const auto started = std::chrono::steady_clock::now();
    std::vector<float> block(4096 * 2);
    int got = 0;
    while ((got = decoder->decode(block.data(), 4096)) > 0) {
    }
    canceller.join();
    EXPECT_EQ(got, -1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

} // namespace

// A seek far ahead in an episode asks the server for that place instead of
// reading through the body up to it (at 80 KB/s, 15 s of 128 kbit/s audio
// would take three seconds to come).
TEST(DecoderNetwork, AFarSeekAsksTheServerForThatPlace) {
    const std::string mp3 = testsupport::readFile(testsupport::fixture("tone_1k_20s.mp3"));
    TestHttpServer server;
    TestResponse response = TestResponse::dripped(mp3, 4096, 50, "audio/mpeg");
    response.announcedLength = static_cast<int64_t>(mp3.size());
    response.ranges = true;
    server.route("/slow.mp3", response);
    auto decoder = openUrlOrFail(server.url("/slow.mp3"));
    ASSERT_TRUE(decoder);
    std::vector<float> block(4096 * 2);
    ASSERT_EQ(decoder->decode(block.data(), 4096), 4096);

    const std::size_t requestsBefore = server.requests().size(); // the open's look at the end
    ASSERT_TRUE(decoder->seek(15 * 44100));
    const auto requests = server.requests();
    int64_t farthest = -1;
    for (std::size_t i = requestsBefore; i < requests.size(); ++i) {
        const std::string range = requests[i].header("range");
        if (range.rfind("bytes=", 0) == 0)
            farthest = std::max<int64_t>(farthest, std::atoll(range.c_str() + 6));
    }
    EXPECT_GT(farthest, static_cast<int64_t>(mp3.size()) / 2);
    const int64_t rest = frameCount(decodeAll(*decoder), *decoder);
    EXPECT_NEAR(rest, 5 * 44100, 1152 * 2) << "the decoder went on from the new place";
}
