// Tags of file streams through BASS_ChannelGetTags and TAGS_Read, and the
// OGG_CHANGE sync of a chained Ogg file.
#include "test_library_support.h"

#include "support/fixtures.h"

#include <algorithm>
#include <cctype>

using librarytest::Event;
using librarytest::openFixture;
using namespace std::chrono_literals;

namespace {

const char* const kTitleFormat = "%IFV1(%ARTI,%ARTI - )%IFV1(%ALBM,%ALBM )%IFV1(%YEAR,%(%YEAR%) )"
                                 "%IFV1(%DISC,CD%DISC )%IFV1(%TRCK,#%TRCK )%IFV1(%TITL,%TITL )";

std::vector<std::string> tagList(const char* list) {
    std::vector<std::string> texts;
    for (; list && *list; list += std::strlen(list) + 1)
        texts.emplace_back(list);
    return texts;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool hasComment(const std::vector<std::string>& comments, const std::string& wanted) {
    return std::any_of(comments.begin(), comments.end(), [&](const std::string& comment) {
        const auto equals = comment.find('=');
        return equals != std::string::npos &&
               lower(comment.substr(0, equals)) + comment.substr(equals) == wanted;
    });
}

class LibraryTags : public librarytest::OnTheFastOutput {};

} // namespace

TEST_F(LibraryTags, OggCommentsAreAListEndedByAnEmptyText) {
    const HSTREAM stream = openFixture("tone_1k_3s.ogg");
    ASSERT_NE(stream, 0u);
    const std::vector<std::string> comments = tagList(BASS_ChannelGetTags(stream, BASS_TAG_OGG));
    EXPECT_TRUE(hasComment(comments, "title=Title"));
    EXPECT_TRUE(hasComment(comments, "artist=Artist"));
    for (const DWORD absent : {BASS_TAG_META, BASS_TAG_HTTP, BASS_TAG_ICY}) {
        EXPECT_EQ(BASS_ChannelGetTags(stream, absent), nullptr);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    }
    const HSTREAM untagged = openFixture("tone_1k_3s_notags.mp3");
    EXPECT_EQ(BASS_ChannelGetTags(untagged, BASS_TAG_OGG), nullptr);
}

TEST_F(LibraryTags, TagsReadRendersTheFileTags) {
    const HSTREAM full = openFixture("tone_1k_3s.mp3");
    EXPECT_STREQ(TAGS_Read(full, kTitleFormat), "Artist - Album (1999) CD1 #3 Title ");
    const HSTREAM titleOnly = openFixture("tone_1k_3s_title_only.ogg");
    EXPECT_STREQ(TAGS_Read(titleOnly, kTitleFormat), "Title ");
    const HSTREAM none = openFixture("tone_1k_3s_notags.mp3");
    EXPECT_STREQ(TAGS_Read(none, kTitleFormat), "");
    EXPECT_STREQ(TAGS_Read(none, "[%TITL]"), "[]");
}

namespace {

struct ChainWatch {
    Event changed;
    Event ended;
    std::mutex mutex;
    std::vector<std::string> titlesSeen;
    double positionAtChange = -1;
};

void onOggChange(HSYNC, DWORD channel, DWORD, void* user) {
    auto* watch = static_cast<ChainWatch*>(user);
    {
        std::lock_guard<std::mutex> lock(watch->mutex);
        for (const std::string& comment : tagList(BASS_ChannelGetTags(channel, BASS_TAG_OGG))) {
            if (lower(comment.substr(0, 6)) == "title=")
                watch->titlesSeen.push_back(comment.substr(6));
        }
        watch->positionAtChange =
            BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetPosition(channel, BASS_POS_BYTE));
    }
    watch->changed.raise();
}

} // namespace

TEST_F(LibraryTags, AChainedOggReportsItsNextLogicalStreamWhenItIsHeard) {
    ChainWatch& watch = librarytest::outlivingTheTest<ChainWatch>();
    const HSTREAM stream = openFixture("chained.ogg");
    ASSERT_NE(stream, 0u);
    EXPECT_TRUE(
        hasComment(tagList(BASS_ChannelGetTags(stream, BASS_TAG_OGG)), "title=First Title"));
    BASS_ChannelSetSync(stream, BASS_SYNC_OGG_CHANGE, 0, onOggChange, &watch);
    ASSERT_TRUE(librarytest::playToEnd(stream, watch.ended, 10s));
    ASSERT_GE(watch.changed.value(), 1);
    std::lock_guard<std::mutex> lock(watch.mutex);
    ASSERT_FALSE(watch.titlesSeen.empty());
    EXPECT_EQ(watch.titlesSeen.back(), "Second Title");
    // Fired as the second part is heard, not when it is decoded ahead.
    EXPECT_GE(watch.positionAtChange, 1.9);
    BASS_StreamFree(stream);
}
