// HttpSource against a real Icecast 2 on 127.0.0.1 fed by ffmpeg: station
// headers, title changes through the admin interface, playlists, stalls and
// a source that leaves.
#include "audio/test_net_stream_helpers.h"
#include "support/servers/icecast_server.h"

#include <algorithm>
#include <gtest/gtest.h>

using audio::net::HttpOpenError;
using audio::net::HttpOpenOptions;
using audio::net::HttpSource;
using nettest::millisSince;
using testsupport::IcecastServer;
using Clock = std::chrono::steady_clock;

namespace {

HttpOpenOptions stationOptions(long stallMs = 5000) {
    HttpOpenOptions options;
    options.limits.connectTimeoutMs = 2000;
    options.limits.stallTimeoutMs = stallMs;
    return options;
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string icyName(const HttpSource& source) {
    for (const auto& line : source.icyHeaders())
        if (line.rfind("icy-name:", 0) == 0)
            return line.substr(9);
    return {};
}

// Reads the stream until the metadata log holds text or the time is up.
bool readUntilMetadata(HttpSource& source, const nettest::MetadataLog& log, const std::string& text,
                       int timeoutMs) {
    const auto start = Clock::now();
    uint8_t chunk[4096];
    while (millisSince(start) < timeoutMs) {
        if (hasLine(log.texts(), text))
            return true;
        if (source.read(chunk, sizeof chunk) <= 0)
            return false;
    }
    return false;
}

} // namespace

class NetIcecast : public testing::Test {
protected:
    // One server and two long-running stations for the whole suite; the
    // tests that pause or end a source get mounts of their own.
    static void SetUpTestSuite() {
        server_ = new IcecastServer({"/radio.mp3", "/radio.ogg", "/pause.mp3", "/leave.mp3"});
        stationsUp_ =
            server_->running() && server_->startSource("/radio.mp3", "Quaverly Test FM") &&
            server_->startSource("/radio.ogg", "Quaverly Ogg", IcecastServer::Format::OggVorbis);
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server_->running()) << server_->errorLog();
        ASSERT_TRUE(stationsUp_) << server_->errorLog();
    }

    void startSource(const std::string& mount, const std::string& name,
                     IcecastServer::Format format = IcecastServer::Format::Mp3) {
        ASSERT_TRUE(server_->startSource(mount, name, format)) << server_->errorLog();
    }

    static IcecastServer* server_;
    static bool stationsUp_;
};

IcecastServer* NetIcecast::server_ = nullptr;
bool NetIcecast::stationsUp_ = false;

TEST_F(NetIcecast, StationNameAndTitleChangesIncludingJapanese) {
    audio::net::HttpFailure failure;
    auto source = HttpSource::open(server_->url("/radio.mp3"), stationOptions(), &failure);
    ASSERT_TRUE(source) << describe(failure);
    EXPECT_EQ(icyName(*source), "Quaverly Test FM");
    EXPECT_TRUE(hasLine(source->icyHeaders(), "icy-metaint:8192"));
    EXPECT_EQ(source->contentType(), "audio/mpeg");
    nettest::MetadataLog log;
    log.attach(*source);

    ASSERT_TRUE(server_->setTitle("/radio.mp3", "Artist - First Song"));
    EXPECT_TRUE(readUntilMetadata(*source, log, "StreamTitle='Artist - First Song';", 15000));
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E - \xE3\x83\x86\xE3\x82"
                                 "\xB9\xE3\x83\x88\xE6\x9B\xB2"; // 日本語 - テスト曲
    ASSERT_TRUE(server_->setTitle("/radio.mp3", japanese));
    EXPECT_TRUE(readUntilMetadata(*source, log, "StreamTitle='" + japanese + "';", 15000));
}

TEST_F(NetIcecast, MetadataBlocksNeverReachTheAudio) {
    auto source = HttpSource::open(server_->url("/radio.mp3"), stationOptions(), nullptr);
    ASSERT_TRUE(source);
    // A metadata block left in the audio would break the chain of MP3 frames:
    // walk the frames from header to header over several metadata intervals.
    const auto drained = nettest::drain(*source, 96 * 1024);
    ASSERT_GE(drained.bytes.size(), 96u * 1024);
    const std::string& audio = drained.bytes;
    size_t pos = 0;
    while (pos < audio.size() &&
           !(nettest::mp3FrameSize(audio, pos) > 0 &&
             nettest::mp3FrameSize(audio, pos + nettest::mp3FrameSize(audio, pos)) > 0))
        ++pos;
    size_t frames = 0;
    while (pos + 4 <= audio.size()) {
        const size_t size = nettest::mp3FrameSize(audio, pos);
        ASSERT_GT(size, 0u) << "no frame header at " << pos << " after " << frames << " frames";
        pos += size;
        ++frames;
    }
    EXPECT_GT(frames, 200u);
}

TEST_F(NetIcecast, OggMountHasANameButNoMetadataInterval) {
    auto source = HttpSource::open(server_->url("/radio.ogg"), stationOptions(), nullptr);
    ASSERT_TRUE(source);
    EXPECT_EQ(icyName(*source), "Quaverly Ogg");
    EXPECT_EQ(source->contentType(), "application/ogg");
    const bool hasInterval =
        std::any_of(source->icyHeaders().begin(), source->icyHeaders().end(),
                    [](const std::string& line) { return line.rfind("icy-metaint", 0) == 0; });
    EXPECT_FALSE(hasInterval);
    uint8_t head[4];
    ASSERT_EQ(source->read(head, 4), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(head), 4), "OggS");
}

TEST_F(NetIcecast, PlaylistOfTheMountIsFollowed) {
    auto source = HttpSource::open(server_->url("/radio.mp3.m3u"), stationOptions(), nullptr);
    ASSERT_TRUE(source);
    EXPECT_EQ(icyName(*source), "Quaverly Test FM");
    EXPECT_EQ(source->contentType(), "audio/mpeg");
}

TEST_F(NetIcecast, PausedSourceStallsTheStream) {
    startSource("/pause.mp3", "Pausing");
    auto source = HttpSource::open(server_->url("/pause.mp3"), stationOptions(1000), nullptr);
    ASSERT_TRUE(source);
    server_->pauseSource("/pause.mp3");
    const auto start = Clock::now();
    const auto drained = nettest::drain(*source);
    EXPECT_EQ(drained.last, -1);
    EXPECT_LT(millisSince(start), 8000);
    server_->resumeSource("/pause.mp3");
}

TEST_F(NetIcecast, StreamEndsWhenTheSourceLeaves) {
    startSource("/leave.mp3", "Leaving");
    auto source = HttpSource::open(server_->url("/leave.mp3"), stationOptions(), nullptr);
    ASSERT_TRUE(source);
    uint8_t first[1024];
    ASSERT_GT(source->read(first, sizeof first), 0);
    server_->stopSource("/leave.mp3");
    const auto start = Clock::now();
    EXPECT_EQ(nettest::drain(*source).last, 0);
    EXPECT_LT(millisSince(start), 8000);

    EXPECT_EQ(nettest::openFailure(server_->url("/leave.mp3"), stationOptions()),
              HttpOpenError::HttpStatus);
}
