// ID3v2 tags reduced to the frames of the title fields before TagLib reads
// them: every version and layout the walk must step through, and tags of
// many thousand frames.
#include "audio/codecs/tags/id3v2_subset.h"
#include "audio/codecs/tags/tag_fields.h"
#include "id3_bytes.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using audio::tags::id3v2PictureSubset;
using audio::tags::id3v2Subset;
using audio::tags::readStreamTags;

using id3bytes::bigEndian;
using id3bytes::frame;
using id3bytes::latin1;
using id3bytes::syncSafe;

std::string tag(int version, unsigned char flags, const std::string& body) {
    return std::string("ID3") + static_cast<char>(version) + '\0' + static_cast<char>(flags) +
           syncSafe(static_cast<uint32_t>(body.size())) + body;
}

std::string userFrames(int version, int count) {
    std::string frames;
    for (int i = 0; i < count; ++i)
        frames += frame(version, "TXXX", latin1("key" + std::to_string(i)) + '\0' + "value");
    return frames;
}

TEST(TagsId3v2Subset, KeepsTheTitleFramesOfEveryLayout) {
    const std::string title2 = frame(2, "TT2", latin1("Title")) + frame(2, "TP1", latin1("Artist"));
    const std::string title3 =
        frame(3, "TIT2", latin1("Title")) + frame(3, "TPE1", latin1("Artist"));
    const std::string title4 =
        frame(4, "TIT2", latin1("Title")) + frame(4, "TPE1", latin1("Artist"));
    const std::string extended = bigEndian(6, 4) + std::string(6, '\0'); // 2.3: size without itself
    const struct {
        const char* what;
        std::string tag;
        const char* title;
        const char* artist;
    } cases[] = {
        {"2.2", tag(2, 0, title2), "Title", "Artist"},
        {"2.3", tag(3, 0, title3), "Title", "Artist"},
        {"2.4 after 3000 user frames", tag(4, 0, userFrames(4, 3000) + title4), "Title", "Artist"},
        {"2.3 with an extended header", tag(3, 0x40, extended + title3), "Title", "Artist"},
        // Unsynchronisation put a zero after each 0xFF of the 2.3 tag.
        {"2.3 unsynchronised",
         tag(3, 0x80, frame(3, "TIT2", latin1("a\xFF\xE0")).replace(10, 4, "\0a\xFF\x00\xE0", 5)),
         "a\xC3\xBF\xC3\xA0", ""},
        {"2.4 with a large plain size",
         tag(4, 0, frame(4, "COMM", "\0eng\0" + std::string(300, 'c'), true) + title4), "Title",
         "Artist"},
        {"the first of two titles", tag(4, 0, title4 + frame(4, "TIT2", latin1("Later"))), "Title",
         "Artist"},
        {"cut inside its last frame", tag(4, 0, title4 + userFrames(4, 10)).substr(0, 80), "Title",
         "Artist"},
        {"not a tag", "RIFF" + title4, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const audio::tags::TagFields fields = readStreamTags(c.tag, {});
        EXPECT_EQ(fields.title, c.title);
        EXPECT_EQ(fields.artist, c.artist);
    }
}

TEST(TagsId3v2Subset, ATagOfManyFramesShrinksToTheFewTheTitleNeeds) {
    const std::string whole =
        tag(3, 0, userFrames(3, 100000) + frame(3, "TIT2", latin1("Title")) + userFrames(3, 10));
    ASSERT_GT(whole.size(), 2000000u);
    const auto subset = id3v2Subset(whole);
    ASSERT_TRUE(subset);
    EXPECT_LT(subset->size(), 100u);
    EXPECT_EQ(readStreamTags(whole, {}).title, "Title");
}

// An APIC frame body: Latin-1 MIME type, picture type, empty description.
std::string picture(int version, char type, const std::string& bytes) {
    if (version == 2)
        return std::string(1, '\0') + "JPG" + type + '\0' + bytes;
    return std::string(1, '\0') + "image/jpeg" + '\0' + type + '\0' + bytes;
}

constexpr char kFrontCover = 3;
constexpr char kBackCover = 4;

TEST(TagsId3v2Picture, TheFrontCoverComesFromATagOfAnySize) {
    const struct {
        const char* what;
        std::string tag;
        std::string picture;
    } cases[] = {
        {"2.3 after 40,000 user frames",
         tag(3, 0, userFrames(3, 40000) + frame(3, "APIC", picture(3, kFrontCover, "front"))),
         "front"},
        {"2.4, the front cover after the back cover",
         tag(4, 0,
             frame(4, "APIC", picture(4, kBackCover, "back")) +
                 frame(4, "APIC", picture(4, kFrontCover, "front"))),
         "front"},
        {"2.2 PIC", tag(2, 0, frame(2, "PIC", picture(2, kFrontCover, "old"))), "old"},
        {"only a back cover", tag(3, 0, frame(3, "APIC", picture(3, kBackCover, "back"))), "back"},
        {"no picture", tag(3, 0, userFrames(3, 10)), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const testsupport::TempDir dir;
        dir.write("01 - Intro.mp3",
                  c.tag + testsupport::readFile(testsupport::fixture("tone_1k_3s_notags.mp3")));
        EXPECT_EQ(audio::tags::readFilePicture(dir.file("01 - Intro.mp3")), c.picture);
    }
}

TEST(TagsId3v2Picture, TheCopyForThePictureHoldsOnlyPictures) {
    const std::string whole = tag(3, 0,
                                  userFrames(3, 100000) + frame(3, "TIT2", latin1("Title")) +
                                      frame(3, "APIC", picture(3, kFrontCover, "front")));
    const auto subset = id3v2PictureSubset(whole);
    ASSERT_TRUE(subset);
    EXPECT_EQ(*subset, tag(3, 0, frame(3, "APIC", picture(3, kFrontCover, "front"))));
}

} // namespace
