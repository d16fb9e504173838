// Files tagged the ways common taggers and encoders write them, each read by
// the player (its tag walkers and its decoder) and by TagLib reading the
// whole file: the title fields and the length must agree.
#include "audio/codecs/decoder.h"
#include "audio/codecs/tags/tag_fields.h"
#include "id3_bytes.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <cmath>
#include <cstdint>
#include <functional>

namespace {

using audio::tags::readFileTags;
using audio::tags::TagFields;

// The player shows whole seconds; its gapless length and TagLib's header
// estimate differ by an encoder's priming and padding, well under this.
constexpr double kLengthTolerance = 0.1;

using id3bytes::bigEndian;
using id3bytes::latin1;
using id3bytes::syncSafe;

enum class Size { SyncSafe, Plain };

std::string frame(int version, const std::string& id, const std::string& body,
                  Size size = Size::SyncSafe) {
    return id3bytes::frame(version, id, body, size == Size::Plain);
}

std::string utf16(const std::u16string& text) {
    std::string out = "\x01\xFF\xFE";
    for (const char16_t unit : text)
        out += std::string{static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return out;
}

std::string comment(const std::string& description, const std::string& text) {
    return std::string("\0eng", 4) + description + '\0' + text;
}

std::string tag(int version, unsigned char flags, const std::string& body) {
    return std::string("ID3") + static_cast<char>(version) + '\0' + static_cast<char>(flags) +
           syncSafe(static_cast<uint32_t>(body.size() + 64)) + body + std::string(64, '\0');
}

std::string basicFrames(int version, Size size = Size::SyncSafe) {
    return frame(version, "TIT2", latin1("Title"), size) +
           frame(version, "TPE1", latin1("Artist"), size) +
           frame(version, "TALB", latin1("Album"), size) +
           frame(version, "TRCK", latin1("3/12"), size);
}

// Inserts a zero after each 0xFF, as the unsynchronisation scheme does.
std::string unsynchronised(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        out += c;
        if (static_cast<unsigned char>(c) == 0xFF)
            out += '\0';
    }
    return out;
}

std::size_t chunkSizeAt(const std::string& bytes, std::size_t at) {
    std::size_t size = 0;
    for (int i = 0; i < 4; ++i)
        size = (size << 8) | static_cast<unsigned char>(bytes[at + i]);
    return size;
}

void setBigEndian(std::string& bytes, std::size_t at, std::size_t value) {
    bytes.replace(at, 4, bigEndian(static_cast<uint32_t>(value), 4));
}

// The offset of the first atom of a type between begin and end.
std::size_t atomAt(const std::string& file, std::size_t begin, std::size_t end,
                   const std::string& type) {
    for (std::size_t at = begin; at + 8 <= end;) {
        if (file.compare(at + 4, 4, type) == 0)
            return at;
        const std::size_t size = chunkSizeAt(file, at);
        if (size < 8)
            break;
        at += size;
    }
    return std::string::npos;
}

// QuickTime's metadata atom: no version and flags before its children.
std::string withoutMetaVersion(std::string file) {
    const std::size_t moov = atomAt(file, 0, file.size(), "moov");
    const std::size_t udta = atomAt(file, moov + 8, moov + chunkSizeAt(file, moov), "udta");
    const std::size_t meta = atomAt(file, udta + 8, udta + chunkSizeAt(file, udta), "meta");
    if (moov == std::string::npos || udta == std::string::npos || meta == std::string::npos)
        return {};
    for (const std::size_t atom : {moov, udta, meta})
        setBigEndian(file, atom, chunkSizeAt(file, atom) - 4);
    return file.erase(meta + 8, 4);
}

// An AIFF file with a NAME and an AUTH chunk after its audio.
std::string withAiffText(std::string file) {
    for (const auto& [id, text] : {std::pair{"NAME", "Aiff Name"}, std::pair{"AUTH", "Author"}}) {
        std::string data = text;
        file += id + bigEndian(static_cast<uint32_t>(data.size()), 4) + data;
        if (data.size() % 2)
            file += '\0';
    }
    setBigEndian(file, 4, file.size() - 8);
    return file;
}

struct Reading {
    TagFields fields;
    double seconds = -1;
};

Reading readByTagLib(const std::string& path) {
    TagLib::FileRef file(path.c_str(), true, TagLib::AudioProperties::Accurate);
    Reading reading;
    if (file.isNull() || !file.tag())
        return reading;
    // TagLib gives a WAV file's ID3v2 tag as its tag, its INFO apart.
    const TagLib::Tag* wanted = file.tag();
    const auto* wav = dynamic_cast<const TagLib::RIFF::WAV::File*>(file.file());
    if (wav && wanted->isEmpty())
        wanted = wav->InfoTag();
    const TagLib::Tag& tag = *wanted;
    reading.fields.title = tag.title().to8Bit(true);
    reading.fields.artist = tag.artist().to8Bit(true);
    reading.fields.album = tag.album().to8Bit(true);
    reading.fields.comment = tag.comment().to8Bit(true);
    reading.fields.track = tag.track() ? std::to_string(tag.track()) : "";
    if (file.audioProperties())
        reading.seconds = file.audioProperties()->lengthInMilliseconds() / 1000.0;
    return reading;
}

Reading readByPlayer(const std::string& path) {
    Reading reading{readFileTags(path)};
    int error = 0;
    const auto decoder = audio::Decoder::openFile(path, &error);
    if (decoder)
        reading.seconds =
            static_cast<double>(decoder->lengthFrames()) / decoder->format().sampleRate;
    return reading;
}

// The player's reading of path against TagLib's of tagLibPath (the same
// bytes).
void expectAgreement(const std::string& path, const std::string& tagLibPath) {
    const Reading player = readByPlayer(path);
    const Reading tagLib = readByTagLib(tagLibPath);
    EXPECT_FALSE(tagLib.fields.title.empty());
    EXPECT_EQ(player.fields.title, tagLib.fields.title);
    EXPECT_EQ(player.fields.artist, tagLib.fields.artist);
    EXPECT_EQ(player.fields.album, tagLib.fields.album);
    EXPECT_EQ(player.fields.track, tagLib.fields.track);
    EXPECT_EQ(player.fields.comment, tagLib.fields.comment);
    EXPECT_NEAR(player.seconds, tagLib.seconds, kLengthTolerance);
}

class TagsAgreeWithTagLib : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new testsupport::TempDir;
        for (const char* extension : {"mp3", "ogg", "flac", "m4a", "wma", "wav", "aiff"})
            makeTone(extension, {});
        makeTone("aiff",
                 {"-metadata", "title=Title", "-metadata", "artist=Artist", "-metadata",
                  "album=Album", "-metadata", "track=3", "-write_id3v2", "1"},
                 "id3.aiff");
        // RIFF INFO has no encoding of its own (TagLib reads Latin-1, the
        // player its 8-bit rule): its title is ASCII.
        for (const char* extension : {"ogg", "m4a", "wma", "wav"}) {
            const QString title = extension == std::string("wav") ? "Title" : "タイトル";
            makeTone(extension,
                     {"-metadata", "title=" + title, "-metadata", "artist=Artist", "-metadata",
                      "album=Album", "-metadata", "track=3"},
                     std::string("tagged.") + extension);
        }
    }

    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    static void makeTone(const std::string& extension, const QStringList& tags,
                         std::string name = {}) {
        if (name.empty())
            name = "plain." + extension;
        QStringList args = {"-v",
                            "error",
                            "-y",
                            "-f",
                            "lavfi",
                            "-i",
                            "sine=1000:duration=1",
                            "-map_metadata",
                            "-1",
                            "-fflags",
                            "+bitexact"};
        if (extension == "mp3")
            args << "-id3v2_version"
                 << "0"
                 << "-write_id3v1"
                 << "0";
        args << tags << QString::fromStdString(dir_->file(name));
        const auto result = testsupport::runProgram("ffmpeg", args, 60000);
        ASSERT_TRUE(result.finished && result.exitCode == 0) << name;
    }

    static std::string plain(const std::string& extension) {
        return testsupport::readFile(dir_->file("plain." + extension));
    }

    static std::string tagged(const std::string& extension) {
        return testsupport::readFile(dir_->file("tagged." + extension));
    }

    // An untagged MP3 saved with TagLib after edit changed its tags.
    static std::string savedMpeg(const std::string& name,
                                 const std::function<void(TagLib::MPEG::File&)>& edit, int tags) {
        const std::string path = dir_->write(name, plain("mp3"));
        TagLib::MPEG::File file(path.c_str(), false);
        edit(file);
        EXPECT_TRUE(file.save(tags, TagLib::File::StripNone));
        return path;
    }

    static testsupport::TempDir* dir_;
};

testsupport::TempDir* TagsAgreeWithTagLib::dir_ = nullptr;

void setBasicTag(TagLib::Tag& tag, const char* utf8Title) {
    tag.setTitle(TagLib::String(utf8Title, TagLib::String::UTF8));
    tag.setArtist("Artist");
    tag.setAlbum("Album");
    tag.setTrack(3);
}

TEST_F(TagsAgreeWithTagLib, OnTheFilesOfCommonWriters) {
    const std::string mp3 = plain("mp3");
    const std::string bigComment = comment("", std::string(200, 'c')); // a size byte of 0xD0
    const std::string ext4 = syncSafe(6) + std::string("\x01\x00", 2);
    struct Case {
        const char* what;
        std::string name;  // what the player reads
        std::string bytes; // written under name
        // TagLib reads the same bytes under this name (it goes by the
        // extension); empty: the same file.
        std::string tagLibName = {};
    };
    const std::vector<Case> cases = {
        {"ID3v2.2", "v22.mp3",
         tag(2, 0,
             frame(2, "TT2", latin1("Title")) + frame(2, "TP1", latin1("Artist")) +
                 frame(2, "TAL", latin1("Album")) + frame(2, "TRK", latin1("3"))) +
             mp3},
        {"ID3v2.3", "v23.mp3", tag(3, 0, basicFrames(3)) + mp3},
        {"ID3v2.4", "v24.mp3", tag(4, 0, basicFrames(4)) + mp3},
        {"ID3v2.4 with plain sizes, a frame of 200 bytes first", "v24plain200.mp3",
         tag(4, 0, frame(4, "COMM", bigComment, Size::Plain) + basicFrames(4, Size::Plain)) + mp3},
        {"ID3v2.4 with plain sizes, a frame of 300 bytes first", "v24plain300.mp3",
         tag(4, 0,
             frame(4, "TXXX", latin1("key") + '\0' + std::string(295, 'v'), Size::Plain) +
                 basicFrames(4, Size::Plain)) +
             mp3},
        {"ID3v2.3 unsynchronised", "unsync.mp3",
         tag(3, 0x80,
             unsynchronised(frame(3, "TIT2", utf16(u"T\u00FFtle")) + basicFrames(3).substr(16))) +
             mp3},
        {"ID3v2.4 with an extended header", "ext4.mp3", tag(4, 0x40, ext4 + basicFrames(4)) + mp3},
        {"iTunes' comment before the user's, user frames", "comments.mp3",
         tag(3, 0,
             frame(3, "COMM", comment("iTunNORM", " 000001F4 00000203")) +
                 frame(3, "TXXX", latin1("replaygain_track_gain") + '\0' + "-6.5 dB") +
                 frame(3, "COMM", comment("", "Mine")) +
                 frame(3, "TXXX", latin1("MusicBrainz Album Id") + '\0' + "x") + basicFrames(3)) +
             mp3},
        {"two artists in one frame", "artists.mp3",
         tag(4, 0,
             frame(4, "TPE1", latin1(std::string("One\0Two", 7))) +
                 frame(4, "TIT2", utf16(u"Title"))) +
             mp3},
        {"a renamed M4A", "m4a.mp3", tagged("m4a"), "m4a.m4a"},
        {"a renamed MP3", "mp3.m4a", tag(3, 0, basicFrames(3)) + mp3, "mp3.mp3"},
        {"a renamed WAV", "wav.mp3", tagged("wav"), "wav.wav"},
        {"Vorbis comments", "vorbis.ogg", tagged("ogg")},
        {"MP4 with a full meta atom", "full.m4a", tagged("m4a")},
        {"ASF", "asf.wma", tagged("wma")},
        {"RIFF INFO", "info.wav", tagged("wav")},
        {"an ID3 chunk in AIFF", "id3.aiff", testsupport::readFile(dir_->file("id3.aiff"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir_->write(c.name, c.bytes);
        const std::string tagLibPath =
            c.tagLibName.empty() ? path : dir_->write(c.tagLibName, c.bytes);
        expectAgreement(path, tagLibPath);
    }
}

TEST_F(TagsAgreeWithTagLib, OnFilesTagLibWrote) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"APEv2 and ID3v1", savedMpeg(
                                "ape_v1.mp3",
                                [](TagLib::MPEG::File& f) {
                                    setBasicTag(*f.APETag(true), "Ape Title");
                                    setBasicTag(*f.ID3v1Tag(true), "V1 Title");
                                },
                                TagLib::MPEG::File::APE | TagLib::MPEG::File::ID3v1)},
        {"APEv2 alone",
         savedMpeg(
             "ape.mp3", [](TagLib::MPEG::File& f) { setBasicTag(*f.APETag(true), "Ape Title"); },
             TagLib::MPEG::File::APE)},
        {"ID3v2.4 by TagLib, and ID3v1", savedMpeg(
                                             "v24_v1.mp3",
                                             [](TagLib::MPEG::File& f) {
                                                 setBasicTag(*f.ID3v2Tag(true), "タイトル");
                                                 setBasicTag(*f.ID3v1Tag(true), "V1");
                                             },
                                             TagLib::MPEG::File::AllTags)},
    };
    for (const auto& [what, path] : cases) {
        SCOPED_TRACE(what);
        expectAgreement(path, path);
    }
}

// FLAC with pictures before its comments, an ID3 chunk in WAV: TagLib adds
// the tags to files ffmpeg made.
TEST_F(TagsAgreeWithTagLib, OnFilesWithPicturesAndChunks) {
    const std::string flacPath = dir_->write("pictures.flac", plain("flac"));
    {
        TagLib::FLAC::File flac(flacPath.c_str(), false);
        for (int i = 0; i < 2; ++i) {
            auto* picture = new TagLib::FLAC::Picture;
            picture->setType(i ? TagLib::FLAC::Picture::BackCover
                               : TagLib::FLAC::Picture::FrontCover);
            picture->setMimeType("image/png");
            picture->setData(TagLib::ByteVector(20000, 'p'));
            flac.addPicture(picture);
        }
        setBasicTag(*flac.xiphComment(true), "Flac Title");
        ASSERT_TRUE(flac.save());
    }
    const std::string wavPath = dir_->write("id3chunk.wav", plain("wav"));
    {
        TagLib::RIFF::WAV::File wav(wavPath.c_str(), false);
        setBasicTag(*wav.ID3v2Tag(), "Wav Title");
        ASSERT_TRUE(wav.save(TagLib::RIFF::WAV::File::ID3v2));
    }
    for (const std::string& path : {flacPath, wavPath}) {
        SCOPED_TRACE(path);
        expectAgreement(path, path);
    }
}

// Forms TagLib does not read: the player reads them all the same.
TEST_F(TagsAgreeWithTagLib, FormsBeyondTagLib) {
    const struct {
        const char* what;
        std::string name;
        std::string bytes;
        const char* title;
        const char* artist;
    } cases[] = {
        {"MP4 whose meta atom has no version", "quicktime.m4a", withoutMetaVersion(tagged("m4a")),
         "タイトル", "Artist"},
        {"AIFF text chunks", "name.aiff", withAiffText(plain("aiff")), "Aiff Name", "Author"},
        // The size of a 2.3 extended header leaves out its own four bytes;
        // TagLib counts them in and misses every frame.
        {"ID3v2.3 with an extended header", "ext3.mp3",
         tag(3, 0x40, bigEndian(6, 4) + std::string(6, '\0') + basicFrames(3)) + plain("mp3"),
         "Title", "Artist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.bytes.empty());
        const Reading player = readByPlayer(dir_->write(c.name, c.bytes));
        EXPECT_EQ(player.fields.title, c.title);
        EXPECT_EQ(player.fields.artist, c.artist);
        EXPECT_NEAR(player.seconds, 1.0, kLengthTolerance);
    }
}

} // namespace
