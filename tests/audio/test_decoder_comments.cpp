// Vorbis comments of Ogg, Opus and FLAC files, and the change of logical
// stream in a chained Ogg file.
#include "audio/codecs/ffmpeg/comments.h"
#include "support/fixtures.h"
#include "test_decoder_support.h"

#include <algorithm>

namespace {

using decodertest::openOrFail;

bool has(const std::vector<std::string>& comments, const std::string& text) {
    return std::find(comments.begin(), comments.end(), text) != comments.end();
}

// The texts of `wanted` that the comments lack.
std::vector<std::string> missing(const std::vector<std::string>& comments,
                                 const std::vector<std::string>& wanted) {
    std::vector<std::string> absent;
    for (const std::string& text : wanted)
        if (!has(comments, text))
            absent.push_back(text);
    return absent;
}

using Texts = std::vector<std::string>;

TEST(DecoderComments, VorbisCommentFormatsListTheirTags) {
    for (const char* file :
         {"tone_1k_3s.ogg", "tone_1k_3s.opus", "tone_1k_3s.oga", "tone_1k_3s.flac"}) {
        SCOPED_TRACE(file);
        auto decoder = openOrFail(testsupport::fixture(file));
        ASSERT_TRUE(decoder);
        EXPECT_EQ(missing(decoder->comments(), {"ARTIST=Artist", "ALBUM=Album", "TITLE=Title",
                                                "DATE=1999", "TRACKNUMBER=3"}),
                  Texts{});
    }
}

TEST(DecoderComments, AFlacFileOfFortyThousandCommentsListsTheFirstFewThousand) {
    auto decoder = openOrFail(testsupport::fixture("tone_1k_3s_many_comments.flac"));
    ASSERT_TRUE(decoder);
    const std::vector<std::string> comments = decoder->comments();
    EXPECT_EQ(comments.size(), audio::kMaxFlacComments);
    EXPECT_EQ(missing(comments, {"ARTIST=Artist", "TITLE=Title"}), Texts{});
    EXPECT_EQ(comments.back(), "KEY4093=value 4093");
    EXPECT_EQ(decoder->tags().title, "Title");
}

TEST(DecoderComments, PartialAndMissingTags) {
    auto titled = openOrFail(testsupport::fixture("tone_1k_3s_title_only.ogg"));
    auto bare = openOrFail(testsupport::fixture("tone_1k_3s_notags.ogg"));
    ASSERT_TRUE(titled && bare);
    EXPECT_TRUE(has(titled->comments(), "TITLE=Title"));
    for (const std::string& c : titled->comments())
        EXPECT_NE(c.rfind("ARTIST=", 0), 0u) << c;
    for (const std::string& c : bare->comments())
        EXPECT_EQ(c.rfind("TITLE=", 0), std::string::npos) << c;
}

TEST(DecoderComments, OtherFormatsHaveNoVorbisComments) {
    for (const char* file : {"tone_1k_3s.mp3", "tone_1k_3s.wav", "tone_1k_3s.m4a"}) {
        auto decoder = openOrFail(testsupport::fixture(file));
        ASSERT_TRUE(decoder);
        EXPECT_TRUE(decoder->comments().empty()) << file;
    }
}

TEST(DecoderChainedOgg, ReportsTheSecondLogicalStreamWhereItsAudioBegins) {
    auto decoder = openOrFail(testsupport::fixture("chained.ogg"));
    ASSERT_TRUE(decoder);
    EXPECT_EQ(missing(decoder->comments(), {"ARTIST=First Artist", "TITLE=First Title"}), Texts{});

    int changes = 0;
    int64_t decoded = 0;
    int64_t changedAt = -1;
    std::vector<std::string> commentsAtChange;
    decoder->setEventHandler([&](audio::DecoderEvent event) {
        EXPECT_EQ(event, audio::DecoderEvent::OggStreamChanged);
        ++changes;
        changedAt = decoded;
        commentsAtChange = decoder->comments();
    });
    std::vector<float> block(1000 * 2);
    for (int got; (got = decoder->decode(block.data(), 1000)) > 0;)
        decoded += got;

    EXPECT_EQ(changes, 1);
    EXPECT_NEAR(decoded, 4 * 44100, 2048);
    // The first part is 2 s long; the event comes as its audio ends.
    EXPECT_NEAR(changedAt, 2 * 44100, 2048);
    EXPECT_EQ(missing(commentsAtChange, {"ARTIST=Second Artist", "TITLE=Second Title"}), Texts{});
    EXPECT_FALSE(has(commentsAtChange, "ARTIST=First Artist"));
}

TEST(DecoderChainedOgg, SingleStreamFilesRaiseNoEvent) {
    auto decoder = openOrFail(testsupport::fixture("tone_1k_3s.ogg"));
    ASSERT_TRUE(decoder);
    int events = 0;
    decoder->setEventHandler([&](audio::DecoderEvent) { ++events; });
    decodertest::decodeAll(*decoder);
    EXPECT_EQ(events, 0);
}

} // namespace
