// Files whose tags hold tens of thousands of entries in their format's own
// structure: the demuxer sees no more than a few thousand of them, the audio
// and its length are the file's, and the title fields come through; tags
// whose sizes lie are read as far as the file holds them.
#include "audio/api/bass.h"
#include "audio/codecs/ffmpeg/comments.h"
#include "audio/codecs/ffmpeg/leading_tags.h"
#include "audio/codecs/tags/byte_reader.h"
#include "audio/codecs/tags/ogg_comments.h"
#include "audio/codecs/tags/tag_cuts.h"
#include "audio/codecs/tags/tag_fields.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"
#include "test_decoder_support.h"

namespace {

using decodertest::decodeAll;
using decodertest::frameCount;
using decodertest::openOrFail;

// The entries of the demuxer's metadata (the file's and each stream's) when
// it reads the file through the decoder's view of it; -1 when it cannot.
int demuxedEntries(const std::string& path) {
    AVIOContext* io = nullptr;
    if (avio_open(&io, ("file:" + path).c_str(), AVIO_FLAG_READ) < 0)
        return -1;
    const audio::IoPtr ownedIo(io);
    const audio::AudioView view(io, audio::TagPassage::Seek);
    AVFormatContext* format = avformat_alloc_context();
    format->pb = view.io();
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return -1;
    const audio::FormatPtr ownedFormat(format);
    int entries = av_dict_count(format->metadata);
    for (unsigned i = 0; i < format->nb_streams; ++i)
        entries += av_dict_count(format->streams[i]->metadata);
    return entries;
}

// The offset of the last occurrence of what in bytes.
std::size_t lastOf(const std::string& bytes, const std::string& what) {
    const std::size_t at = bytes.rfind(what);
    EXPECT_NE(at, std::string::npos) << what;
    return at == std::string::npos ? 0 : at;
}

void putLittleEndian(std::string& bytes, std::size_t at, uint64_t value, int count) {
    for (int i = 0; i < count; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putBigEndian(std::string& bytes, std::size_t at, uint64_t value, int count) {
    for (int i = 0; i < count; ++i)
        bytes[at + count - 1 - i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

TEST(DecoderTagCuts, TagsOfThousandsOfEntriesStayOutOfTheDemuxer) {
    const struct {
        const char* name;
        int64_t slack; // one codec frame, 0 where exact
    } cases[] = {
        {"tone_1k_3s_many_comments.ogg", 2048},    // 20,000 Vorbis comments
        {"tone_1k_3s_many_comments.opus", 960},    // 20,000 Opus tags
        {"tone_1k_3s_many_comments.flac", 0},      // 40,000 FLAC comments
        {"tone_1k_3s_many_items.m4a", 1024},       // 20,000 ilst items
        {"tone_1k_3s_many_info.wav", 0},           // a LIST INFO of 20,000 items
        {"tone_1k_3s_many_lists.wav", 0},          // 20,000 LIST chunks
        {"tone_1k_3s_id3_chunk.wav", 0},           // an ID3 chunk of 40,000 frames
        {"tone_1k_3s_id3_chunk.aiff", 0},          // the same in AIFF
        {"tone_1k_3s_many_descriptors.wma", 2048}, // 20,000 content descriptors
        {"tone_1k_3s_many_ape.mp3", 0},            // an APE tag of 20,000 items
        {"tone_1k_3s_many_id3v1.mp3", 0},          // 20,000 ID3v1 tags
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = testsupport::fixture(c.name);
        const int entries = demuxedEntries(path);
        EXPECT_GE(entries, 0);
        EXPECT_LE(entries, static_cast<int>(audio::tags::kMaxDemuxedItems) + 16);
        auto decoder = openOrFail(path);
        ASSERT_TRUE(decoder);
        EXPECT_LE(decoder->comments().size(), audio::kMaxFlacComments);
        const audio::tags::TagFields fields = decoder->tags();
        EXPECT_EQ(fields.artist, "Artist");
        EXPECT_EQ(fields.title, "Title");
        const std::vector<float> samples = decodeAll(*decoder);
        const int64_t decoded = frameCount(samples, *decoder);
        EXPECT_NEAR(decoded, 3 * decoder->format().sampleRate, c.slack);
        EXPECT_NEAR(decoder->lengthFrames(), decoded, c.slack);
        EXPECT_NEAR(decodertest::toneFrequency(samples, decoder->format().channels,
                                               decoder->format().sampleRate),
                    1000.0, 5.0);
    }
}

// Sizes that claim more than the file holds (a flipped bit, a hostile
// writer): the file opens and plays, or fails with an error, and its tags
// are read as far as they go.
TEST(DecoderTagCuts, TagSizesThatLieAreNotBelieved) {
    const auto fixture = [](const char* name) {
        return testsupport::readFile(testsupport::fixture(name));
    };
    std::string ogg = fixture("tone_1k_3s.ogg"); // the comment count
    const std::size_t vendor = ogg.find("\x03vorbis") + 7;
    putLittleEndian(ogg, vendor + 4 + static_cast<unsigned char>(ogg[vendor]), 0xFFFFFFFF, 4);
    std::string m4a = fixture("tone_1k_3s.m4a"); // the item list's size
    putBigEndian(m4a, lastOf(m4a, "ilst") - 4, 0x7FFFFFF0, 4);
    std::string wav = fixture("tone_1k_3s.wav"); // the LIST chunk's size
    putLittleEndian(wav, lastOf(wav, "LIST") + 4, 0xFFFFFFF0, 4);
    std::string wma = fixture("tone_1k_3s.wma"); // the header object's size
    putLittleEndian(wma, 16, uint64_t{1} << 62, 8);
    std::string ape = fixture("tone_1k_3s_many_ape.mp3"); // the APE footer's tag size
    putLittleEndian(ape, lastOf(ape, "APETAGEX") + 12, 0xFFFFFF00, 4);
    std::string aiff = fixture("tone_1k_3s.aiff"); // the ID3 chunk's size
    putBigEndian(aiff, lastOf(aiff, "ID3 ") + 4, 0xFFFFFFF0, 4);
    testsupport::TempDir dir;
    for (const auto& [name, bytes] :
         std::vector<std::pair<std::string, std::string>>{{"count.ogg", ogg},
                                                          {"ilst.m4a", m4a},
                                                          {"list.wav", wav},
                                                          {"header.wma", wma},
                                                          {"ape.mp3", ape},
                                                          {"id3.aiff", aiff}}) {
        SCOPED_TRACE(name);
        const std::string path = dir.write(name, bytes);
        (void)audio::tags::readFileTags(path);
        int error = 0;
        auto decoder = audio::Decoder::openFile(path, &error);
        if (!decoder) {
            EXPECT_TRUE(error == BASS_ERROR_FILEFORM || error == BASS_ERROR_CODEC) << error;
            continue;
        }
        (void)decoder->tags();
        EXPECT_LE(frameCount(decodeAll(*decoder), *decoder), 132300 + 2048);
    }
}

namespace {

// An MP4 whose moov holds user data atoms nested `depth` deep.
std::string deeplyNestedMp4(std::size_t depth) {
    std::string bytes("\0\0\0\x18"
                      "ftypM4A \0\0\0\0M4A isom",
                      24);
    const auto atom = [&](uint64_t size, const char* type) {
        std::string header(4, '\0');
        putBigEndian(header, 0, size, 4);
        bytes += header + type;
    };
    atom(8 * (depth + 1), "moov");
    for (std::size_t level = depth; level > 0; --level)
        atom(8 * level, "udta");
    return bytes;
}

// An ASF header whose header extension holds another, `depth` deep.
std::string deeplyNestedAsf(const std::string& realHeaderGuid, std::size_t depth) {
    const std::string extension("\xB5\x03\xBF\x5F\x2E\xA9\xCF\x11\x8E\xE3\x00\xC0\x0C\x20\x53\x65",
                                16);
    constexpr std::size_t kHeaderSize = 30;
    constexpr std::size_t kExtensionHeaderSize = 46;
    std::string bytes = realHeaderGuid + std::string(14, '\0');
    putLittleEndian(bytes, 16, kHeaderSize + kExtensionHeaderSize * depth, 8);
    putLittleEndian(bytes, 24, 1, 4);
    for (std::size_t level = depth; level > 0; --level) {
        std::string object = extension + std::string(30, '\0');
        putLittleEndian(object, 16, kExtensionHeaderSize * level, 8);
        putLittleEndian(object, 42, kExtensionHeaderSize * (level - 1), 4);
        bytes += object;
    }
    return bytes;
}

} // namespace

TEST(DecoderTagCuts, StructuresNestedWithoutEndFailCleanly) {
    const std::string wma = testsupport::readFile(testsupport::fixture("tone_1k_3s.wma"));
    testsupport::TempDir dir;
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"udta in udta.m4a", deeplyNestedMp4(200000)},
             {"extension in extension.wma", deeplyNestedAsf(wma.substr(0, 16), 100000)}}) {
        SCOPED_TRACE(name);
        const std::string path = dir.write(name, bytes);
        (void)audio::tags::readFileTags(path);
        int error = 0;
        EXPECT_EQ(audio::Decoder::openFile(path, &error), nullptr);
        EXPECT_TRUE(error == BASS_ERROR_FILEFORM || error == BASS_ERROR_CODEC) << error;
    }
}

TEST(DecoderTagCuts, AnOggPacketWithoutEndIsNotReadToTheEndOfTheFile) {
    // Every page of this 64 MiB stream continues the first packet.
    constexpr std::size_t kLacing = 255;
    constexpr std::size_t kPageSize = 27 + kLacing + kLacing * 255;
    constexpr int64_t kFileSize = 64 * 1024 * 1024;
    std::size_t bytesRead = 0;
    const audio::tags::ReadAt read = [&](int64_t offset, unsigned char* out, std::size_t size) {
        const std::size_t count = static_cast<std::size_t>(
            std::min<int64_t>(static_cast<int64_t>(size), kFileSize - offset));
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = static_cast<std::size_t>(offset + i) % kPageSize;
            out[i] = at < 4              ? "OggS"[at]
                     : at == 26          ? kLacing
                     : at < 27           ? 0
                     : at < 27 + kLacing ? 255
                                         : 'x';
        }
        bytesRead += count;
        return count;
    };
    audio::tags::ByteReader file(read, kFileSize);
    EXPECT_FALSE(audio::tags::oggCommentPacket(file, 0).has_value());
    EXPECT_LT(bytesRead, std::size_t{1} << 20);
}
