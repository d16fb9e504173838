// Tags of real files of every format, made with the ffmpeg tool (and TagLib
// for the legacy encodings ffmpeg cannot write).
#include "audio/codecs/tags/tag_fields.h"
#include "support/fixtures.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <cstdint>

using audio::tags::readFileTags;
using audio::tags::TagFields;

namespace {

bool makeTone(const std::string& path, const QStringList& extra = {}) {
    QStringList args = {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=1000:duration=0.2"};
    args << extra << QString::fromStdString(path);
    const auto result = testsupport::runProgram("ffmpeg", args, 30000);
    return result.finished && result.exitCode == 0;
}

// The ID3v2 block at the start of a file (header size is syncsafe).
std::string id3v2Block(const std::string& bytes) {
    if (bytes.size() < 10 || bytes.compare(0, 3, "ID3") != 0)
        return {};
    const auto b = [&](std::size_t i) { return static_cast<std::uint32_t>(bytes[i] & 0x7F); };
    const std::size_t size = (b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9);
    return bytes.substr(0, 10 + size);
}

class TagsOfFormats : public ::testing::Test {
protected:
    static void SetUpTestSuite() { dir_ = new testsupport::TempDir; }

    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    // The tagged tones of tests/fixtures (tags/), made once for all tests;
    // what a test writes goes to dir_.
    static std::string file(const std::string& extension) {
        return testsupport::fixture("tags/tone." + extension);
    }

    static testsupport::TempDir* dir_;
};

testsupport::TempDir* TagsOfFormats::dir_ = nullptr;

void expectPlayerFields(const TagFields& f, const std::string& what, bool hasDisc = true) {
    SCOPED_TRACE(what);
    EXPECT_EQ(f.artist, "Artist");
    EXPECT_EQ(f.album, "Album");
    EXPECT_EQ(f.year, "1999");
    EXPECT_EQ(f.track, "3");
    EXPECT_EQ(f.title, "タイトル");
    EXPECT_EQ(f.disc, hasDisc ? "1" : "");
}

} // namespace

TEST_F(TagsOfFormats, EveryFormatGivesTheTitleFields) {
    for (const char* extension :
         {"mp3", "flac", "ogg", "opus", "oga", "m4a", "mp4", "wma", "aiff", "mp2", "aac"})
        expectPlayerFields(readFileTags(file(extension)), extension);
    // RIFF INFO has no disc number.
    expectPlayerFields(readFileTags(file("wav")), "wav", false);
}

// Tags of many thousand entries, and a FLAC file behind an ID3v2 tag (which
// some taggers put there), give the fields as small ones do.
TEST_F(TagsOfFormats, LargeAndPrefixedTagsGiveTheirFields) {
    const std::string id3 = id3v2Block(testsupport::readFile(file("mp3")));
    const std::string prefixed =
        dir_->write("prefixed.flac", id3 + testsupport::readFile(file("flac")));
    expectPlayerFields(readFileTags(prefixed), "FLAC behind ID3v2");
    for (const char* name :
         {"tone_1k_3s_many_frames.mp3", "tone_1k_3s_many_comments.flac", "tone_1k_3s_cover.mp3",
          "tone_1k_3s_many_comments.ogg", "tone_1k_3s_many_comments.opus",
          "tone_1k_3s_many_items.m4a", "tone_1k_3s_many_info.wav", "tone_1k_3s_many_lists.wav",
          "tone_1k_3s_id3_chunk.wav", "tone_1k_3s_id3_chunk.aiff",
          "tone_1k_3s_many_descriptors.wma", "tone_1k_3s_many_ape.mp3",
          "tone_1k_3s_many_id3v1.mp3"}) {
        const TagFields f = readFileTags(testsupport::fixture(name));
        EXPECT_EQ(f.artist, "Artist") << name;
        EXPECT_EQ(f.title, "Title") << name;
    }
}

// A field is cut to a line's worth (1024 bytes), never inside a character.
TEST_F(TagsOfFormats, HugeFieldsAreCutToALine) {
    QString title;
    for (int i = 0; i < 30000; ++i)
        title += QString::fromUtf8("ア");
    for (const char* extension : {"mp3", "ogg", "flac", "m4a", "wma", "wav"}) {
        SCOPED_TRACE(extension);
        const std::string path = dir_->file(std::string("long.") + extension);
        ASSERT_TRUE(makeTone(path, {"-metadata", "title=" + title, "-metadata", "artist=Artist"}));
        const TagFields f = readFileTags(path);
        EXPECT_EQ(f.artist, "Artist");
        EXPECT_GT(f.title.size(), 1000u);
        EXPECT_LE(f.title.size(), 1024u);
        EXPECT_EQ(f.title.size() % 3, 0u);
        EXPECT_EQ(f.title, title.left(static_cast<int>(f.title.size() / 3)).toStdString());
    }
}

TEST_F(TagsOfFormats, ComposerWhereTheFormatKeepsIt) {
    for (const char* extension : {"mp3", "flac", "ogg", "m4a", "wma"})
        EXPECT_EQ(readFileTags(file(extension)).composer, "Writer") << extension;
}

TEST_F(TagsOfFormats, ExtensionCaseDoesNotMatter) {
    const std::string upper = dir_->file("TONE.MP3");
    dir_->write("TONE.MP3", testsupport::readFile(file("mp3")));
    expectPlayerFields(readFileTags(upper), "MP3");
}

TEST_F(TagsOfFormats, MissingEmptyAndBrokenFilesGiveNoFields) {
    const TagFields none;
    const auto same = [&](const TagFields& f) {
        return f.artist == none.artist && f.title == none.title && f.track == none.track &&
               f.album == none.album && f.year == none.year;
    };
    EXPECT_TRUE(same(readFileTags(dir_->file("absent.mp3"))));
    EXPECT_TRUE(same(readFileTags(dir_->write("empty.flac", ""))));
    std::string noise(4096, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + 13) % 251);
    for (const char* name : {"noise.mp3", "noise.m4a", "noise.ogg", "noise.wav", "noise.wma",
                             "noise.aiff", "noise.aac", "noise"})
        EXPECT_TRUE(same(readFileTags(dir_->write(name, noise)))) << name;
    // A cut-off file keeps what its intact tag block says, or nothing.
    const std::string mp3 = testsupport::readFile(file("mp3"));
    const TagFields cut = readFileTags(dir_->write("cut.mp3", mp3.substr(0, 40)));
    EXPECT_TRUE(cut.title.empty() || cut.title == "タイトル");
    // A wrong extension must not crash either.
    readFileTags(dir_->write("flac.mp3", testsupport::readFile(file("flac"))));
}

namespace {

// A Latin-1 frame whose bytes are really in another encoding, as written by
// older tools on Japanese Windows.
void writeLatin1Frame(TagLib::ID3v2::Tag& tag, const char* id, const std::string& bytes) {
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::Latin1);
    frame->setText(
        TagLib::String(TagLib::ByteVector(bytes.data(), bytes.size()), TagLib::String::Latin1));
    tag.removeFrames(id);
    tag.addFrame(frame);
}

} // namespace

TEST_F(TagsOfFormats, LegacyEncodedId3FramesBecomeUtf8) {
    const std::string path = dir_->write("legacy.mp3", testsupport::readFile(file("mp3")));
    {
        TagLib::MPEG::File mpeg(path.c_str(), false);
        TagLib::ID3v2::Tag* tag = mpeg.ID3v2Tag(true);
        writeLatin1Frame(*tag, "TIT2", "\x83\x65\x83\x58\x83\x67\x81\x60"); // CP932
        writeLatin1Frame(*tag, "TPE1", "日本");                             // UTF-8 bytes
        writeLatin1Frame(*tag, "TALB", "caf\xE9");                          // Latin-1
        // A Unicode frame is never reinterpreted, even when its text would
        // be valid CP932 bytes.
        auto* album = new TagLib::ID3v2::TextIdentificationFrame("TCOM", TagLib::String::UTF16);
        album->setText(TagLib::String("\xC3\xA9"
                                      "a",
                                      TagLib::String::UTF8));
        tag->removeFrames("TCOM");
        tag->addFrame(album);
        ASSERT_TRUE(mpeg.save());
    }
    const TagFields f = readFileTags(path);
    EXPECT_EQ(f.title, "テスト～");
    EXPECT_EQ(f.artist, "日本");
    EXPECT_EQ(f.album, "café");
    EXPECT_EQ(f.composer, "éa");
    EXPECT_EQ(f.track, "3");
}

TEST_F(TagsOfFormats, Id3v1AloneIsReadWithTheLegacyRule) {
    ASSERT_TRUE(makeTone(dir_->file("plain.mp3"), {"-write_id3v2", "0"}));
    const std::string path = dir_->file("plain.mp3");
    {
        TagLib::MPEG::File mpeg(path.c_str(), false);
        TagLib::ID3v1::Tag* tag = mpeg.ID3v1Tag(true);
        tag->setTitle(
            TagLib::String(TagLib::ByteVector("\x83\x65\x83\x58\x83\x67"), TagLib::String::Latin1));
        tag->setArtist("Artist");
        tag->setTrack(7);
        tag->setYear(2001);
        ASSERT_TRUE(mpeg.save(TagLib::MPEG::File::ID3v1));
    }
    const TagFields f = readFileTags(path);
    EXPECT_EQ(f.title, "テスト");
    EXPECT_EQ(f.artist, "Artist");
    EXPECT_EQ(f.track, "7");
    EXPECT_EQ(f.year, "2001");
}

namespace {

std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

std::string chunk(const std::string& id, const std::string& data) {
    std::string out = id + le32(static_cast<std::uint32_t>(data.size())) + data;
    if (data.size() & 1)
        out += '\0';
    return out;
}

// A short 8-bit mono WAV file with a LIST INFO chunk of the given items.
std::string wavWithInfo(const std::string& items) {
    const std::string format = std::string("\x01\x00\x01\x00", 4) + le32(8000) + le32(8000) +
                               std::string("\x01\x00\x08\x00", 4);
    const std::string body = "WAVE" + chunk("fmt ", format) +
                             chunk("data", std::string(100, '\x80')) +
                             chunk("LIST", "INFO" + items);
    return "RIFF" + le32(static_cast<std::uint32_t>(body.size())) + body;
}

} // namespace

TEST_F(TagsOfFormats, RiffInfoInLegacyEncoding) {
    const std::string items = chunk("INAM", std::string("\x83\x65\x83\x58\x83\x67\0", 7)) +
                              chunk("IART", std::string("Artist\0", 7)) + chunk("ITRK", "5");
    const TagFields f = readFileTags(dir_->write("info.wav", wavWithInfo(items)));
    EXPECT_EQ(f.title, "テスト");
    EXPECT_EQ(f.artist, "Artist");
    EXPECT_EQ(f.track, "5");
    // An item whose size runs past the chunk ends the list, not the program.
    const std::string bad = chunk("IART", "Artist") + "INAM" + le32(1000) + "x";
    EXPECT_EQ(readFileTags(dir_->write("bad.wav", wavWithInfo(bad))).artist, "Artist");
}

TEST_F(TagsOfFormats, Id3v23YearAndGenreNumber) {
    const std::string path = dir_->file("v23.mp3");
    ASSERT_TRUE(makeTone(path, {"-metadata", "date=1999", "-metadata", "genre=(17)", "-metadata",
                                "disc=2/3", "-id3v2_version", "3"}));
    const TagFields f = readFileTags(path);
    EXPECT_EQ(f.year, "1999");
    EXPECT_EQ(f.genre, "Rock");
    EXPECT_EQ(f.disc, "2");
}
