// RSS documents as the podcast source reads them: the channel title and the
// walk over the items with an enclosure.
#include "fuzz_support.h"
#include "fuzz_targets.h"

#include "browser/rss_feed.h"

namespace {

using fuzzsupport::check;

constexpr qsizetype kMaxUnits = 255;

} // namespace

int fuzzRssFeed(const uint8_t* data, size_t size) {
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    check(browser::FeedTitle(document).size() <= kMaxUnits, "a feed title longer than 255 units");
    for (const browser::FeedEpisode& episode :
         browser::FeedEpisodes(document, QStringLiteral("http://127.0.0.1/feed.xml"))) {
        check(!episode.location.trimmed().isEmpty(), "an episode without a location");
        // The title, a space and the description, each cut to 255 units.
        check(episode.title.size() <= 2 * kMaxUnits + 1, "an episode title too long");
    }
    return 0;
}
