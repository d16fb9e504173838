// TAGS_Read of network streams: the title of a podcast episode over HTTP, as
// the title label shows it.
#include "support/fixtures.h"
#include "support/servers/test_http_server.h"
#include "support/temp_dir.h"
#include "test_library_support.h"

#include <utility>

namespace {

const char* const kTitleFormat = "%IFV1(%ARTI,%ARTI - )%IFV1(%ALBM,%ALBM )%IFV1(%YEAR,%(%YEAR%) )"
                                 "%IFV1(%DISC,CD%DISC )%IFV1(%TRCK,#%TRCK )%IFV1(%TITL,%TITL )";

TEST(TagsOfStreams, AnEpisodeOverHttpRendersItsTags) {
    librarytest::Device device("null:fast");
    ASSERT_TRUE(device.ok());
    testsupport::TestHttpServer server;
    const std::pair<const char*, const char*> titles[] = {
        {"tone_1k_3s_notags.mp3", ""},
        {"tone_1k_3s.mp3", "Artist - Album (1999) CD1 #3 Title "},
    };
    for (const auto& [fixture, title] : titles) {
        const std::string path = std::string("/") + fixture;
        const std::string bytes = testsupport::readFile(testsupport::fixture(fixture));
        auto response = testsupport::TestResponse::ok(bytes, "audio/mpeg");
        response.announcedLength = static_cast<int64_t>(bytes.size());
        response.ranges = true;
        server.route(path, response);
        const HSTREAM stream =
            BASS_StreamCreateURL(server.url(path).c_str(), 0, 0, nullptr, nullptr);
        ASSERT_NE(stream, 0u) << fixture << ": error " << BASS_ErrorGetCode();
        EXPECT_STREQ(TAGS_Read(stream, kTitleFormat), title) << fixture;
        BASS_StreamFree(stream);
    }
}

} // namespace
