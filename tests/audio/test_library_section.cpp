// A part of a file as a stream of its own: its length in CD frames at the
// file's own rate, the parts that do not lie in the file, and the titles
// given in place of the file's tags.
#include "test_library_support.h"

#include "support/fixtures.h"

#include <cmath>

using librarytest::Device;
using librarytest::openFixture;

namespace {

HSTREAM openSection(const std::string& fixture, QWORD start, QWORD end,
                    const char* title = nullptr) {
    QUAVERLY_SECTION section{};
    section.start = start;
    section.end = end;
    section.title = title;
    return QUAVERLY_StreamCreateFileSection(testsupport::fixture(fixture).c_str(), 0, &section);
}

} // namespace

TEST(LibrarySection, APartIsAsLongAsItsCdFramesAtTheFilesRate) {
    struct Case {
        const char* fixture;
        QWORD start, end; // CD frames; end 0: the file's end
        int rate;
        int64_t frames; // at the file's rate
    } const cases[] = {
        {"tone_1k_3s.wav", 75, 150, 44100, 44100},
        {"tone_1k_3s.wav", 37, 38, 44100, 588},        // one CD frame
        {"tone_1k_3s.wav", 0, 0, 44100, 3 * 44100},    // the whole file
        {"tone_1k_3s.wav", 150, 0, 44100, 44100},      // the last second
        {"tone_1k_3s.wav", 150, 900, 44100, 44100},    // an end beyond the file's
        {"tone_1k_3s_48k.wav", 75, 150, 48000, 48000}, // 640 samples a CD frame
        {"tone_1k_3s.flac", 112, 200, 44100, 88 * 588},
    };
    Device device("null");
    ASSERT_TRUE(device.ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " from " + std::to_string(c.start));
        const HSTREAM stream = openSection(c.fixture, c.start, c.end);
        ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
        const double seconds =
            BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
        EXPECT_EQ(std::llround(seconds * c.rate), c.frames);
        EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), 0u);
        BASS_StreamFree(stream);
    }
}

TEST(LibrarySection, APartOutsideTheFileIsRefused) {
    struct Case {
        const char* what;
        QWORD start, end;
    } const cases[] = {
        {"starting at the file's end", 225, 0},
        {"starting beyond it", 300, 400},
        {"ending before it starts", 150, 75},
        {"empty", 75, 75},
    };
    Device device("null");
    ASSERT_TRUE(device.ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(openSection("tone_1k_3s.wav", c.start, c.end), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
    }
    QUAVERLY_SECTION section{};
    section.end = 75;
    EXPECT_EQ(QUAVERLY_StreamCreateFileSection("/nonexistent/CDImage.flac", 0, &section), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
}

TEST(LibrarySection, GivenTitlesReplaceTheFilesAndTheRestStay) {
    Device device("null");
    ASSERT_TRUE(device.ok());
    const HSTREAM whole = openFixture("tone_1k_3s.mp3");
    const std::string fileArtist = TAGS_Read(whole, "%ARTI");
    BASS_StreamFree(whole);
    ASSERT_FALSE(fileArtist.empty()) << "the fixture carries an artist";

    const HSTREAM titled = openSection("tone_1k_3s.mp3", 0, 75, "曲 2");
    ASSERT_NE(titled, 0u);
    EXPECT_STREQ(TAGS_Read(titled, "%TITL"), "曲 2");
    EXPECT_EQ(TAGS_Read(titled, "%ARTI"), fileArtist);
    BASS_StreamFree(titled);
}
