// Cue sheets carried inside album images, as rippers and taggers write them:
// a FLAC CUESHEET comment (foobar2000, EAC with its FLAC output), a FLAC
// CUESHEET block (flac --cuesheet), an APE tag's CUESHEET item (Monkey's
// Audio, WavPack, TTA). The comment and item agree with TagLib's reading.
#include "audio/codecs/tags/byte_reader.h"
#include "audio/codecs/tags/embedded_cue.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/xiphcomment.h>

#include <fstream>
#include <iterator>

namespace {

using audio::tags::bigEndianBytes;
using audio::tags::readEmbeddedCueSheet;

const std::string kSheet = "REM DATE 2003\r\nPERFORMER \"Band\"\r\nTITLE \"Album\"\r\n"
                           "FILE \"CDImage.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n"
                           "    TITLE \"\xE5\xA4\x9C\xE6\x98\x8E\xE3\x81\x91\"\r\n"
                           "    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n"
                           "    INDEX 00 00:01:00\r\n    INDEX 01 00:01:50\r\n";

std::string MakeImage(const testsupport::TempDir& dir, const std::string& name,
                      const std::string& sheet) {
    const std::string path = dir.file(name);
    EXPECT_EQ(testsupport::makeToneWithCueSheet(path, sheet), "");
    return path;
}

std::string TagLibSheet(const std::string& path) {
    const TagLib::FileRef file(path.c_str(), false);
    if (file.isNull())
        return {};
    const TagLib::StringList values = file.file()->properties()["CUESHEET"];
    return values.isEmpty() ? std::string() : values.front().to8Bit(true);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A CUESHEET block of a CD: tracks at the sample offsets given, each with
// INDEX 01 (and INDEX 00 a second earlier when pregap), then the lead-out.
std::string CueSheetBlock(const std::vector<std::pair<uint64_t, bool>>& tracks, bool dataLast) {
    std::string block(128, '\0');                  // catalog
    block += bigEndianBytes(88200, 8);             // lead-in
    block += '\x80';                               // a CD
    block += std::string(258, '\0');               // reserved
    block += static_cast<char>(tracks.size() + 1); // with the lead-out
    int number = 1;
    for (const auto& [offset, pregap] : tracks) {
        const bool data = dataLast && number == int(tracks.size());
        block += bigEndianBytes(offset, 8);
        block += static_cast<char>(number++);
        block += std::string(12, '\0');
        block += data ? '\x80' : '\0';
        block += std::string(13, '\0');
        block += static_cast<char>(pregap ? 2 : 1);
        if (pregap) {
            block += bigEndianBytes(0, 8) + '\0' + std::string(3, '\0');
            block += bigEndianBytes(44100, 8) + '\x01' + std::string(3, '\0');
        } else {
            block += bigEndianBytes(0, 8) + '\x01' + std::string(3, '\0');
        }
    }
    block += bigEndianBytes(3 * 44100, 8) + '\xAA' + std::string(12, '\0') + '\0' +
             std::string(13, '\0') + '\0';
    return block;
}

// The FLAC file with the block put in after its STREAMINFO.
void InsertFlacBlock(const std::string& path, int type, const std::string& block) {
    std::string file = ReadAll(path);
    ASSERT_EQ(file.substr(0, 4), "fLaC");
    const bool streamInfoLast = (file[4] & 0x80) != 0;
    file[4] = static_cast<char>(file[4] & 0x7F);
    std::string header(1, static_cast<char>(type | (streamInfoLast ? 0x80 : 0)));
    header += bigEndianBytes(block.size(), 3);
    file.insert(4 + 4 + 34, header + block);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << file;
}

} // namespace

TEST(EmbeddedCue, TagsAgreeWithTagLib) {
    testsupport::TempDir dir;
    for (const char* name : {"CDImage.flac", "CDImage.wv"}) {
        const std::string path = MakeImage(dir, name, kSheet);
        EXPECT_EQ(readEmbeddedCueSheet(path), kSheet) << name;
        EXPECT_EQ(readEmbeddedCueSheet(path), TagLibSheet(path)) << name;
    }
    // TagLib reads no APE tag of a TTA file.
    EXPECT_EQ(readEmbeddedCueSheet(MakeImage(dir, "CDImage.tta", kSheet)), kSheet);
    const std::string plain = MakeImage(dir, "Plain.flac", "");
    EXPECT_EQ(readEmbeddedCueSheet(plain), "");
    EXPECT_EQ(readEmbeddedCueSheet(dir.file("missing.flac")), "");
}

TEST(EmbeddedCue, FlacCueSheetBlocks) {
    const struct {
        const char* what;
        std::string block;
        std::string sheet;
    } cases[] = {
        {"two tracks, the second with a pregap", CueSheetBlock({{0, false}, {66150, true}}, false),
         "FILE \"\" WAVE\nTRACK 1 AUDIO\nINDEX 1 00:00:00\nTRACK 2 AUDIO\nINDEX 0 00:01:37\n"
         "INDEX 1 00:02:37\n"},
        {"a data track last", CueSheetBlock({{0, false}, {88200, false}}, true),
         "FILE \"\" WAVE\nTRACK 1 AUDIO\nINDEX 1 00:00:00\nTRACK 2 MODE1/2352\nINDEX 1 "
         "00:02:00\n"},
        {"cut short", CueSheetBlock({{0, false}}, false).substr(0, 420), ""},
        {"no header", "short", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(audio::tags::cueSheetOfFlacBlock(c.block, 44100), c.sheet) << c.what;
}

TEST(EmbeddedCue, AFlacFileWithABlockButNoCommentGivesTheBlocksSheet) {
    testsupport::TempDir dir;
    const std::string path = MakeImage(dir, "Block.flac", "");
    InsertFlacBlock(path, 5, CueSheetBlock({{0, false}, {88200, false}}, false));
    EXPECT_EQ(readEmbeddedCueSheet(path),
              "FILE \"\" WAVE\nTRACK 1 AUDIO\nINDEX 1 00:00:00\nTRACK 2 AUDIO\nINDEX 1 00:02:00\n");
    const std::string both = MakeImage(dir, "Both.flac", kSheet);
    InsertFlacBlock(both, 5, CueSheetBlock({{0, false}}, false));
    EXPECT_EQ(readEmbeddedCueSheet(both), kSheet) << "the comment has the titles too";
}
