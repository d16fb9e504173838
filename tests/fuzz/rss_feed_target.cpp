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
    const QByteArray document = fuzzsupport::bytesOf(data, size);
    check(browser::FeedTitle(document).size() <= kMaxUnits, "a feed title longer than 255 units");
    for (const browser::FeedEpisode& episode : browser::FeedEpisodes(document)) {
        check(episode.location.size() <= kMaxUnits, "an enclosure URL longer than 255 units");
        // The title, a space and the description, each cut to 255 units.
        check(episode.title.size() <= 2 * kMaxUnits + 1, "an episode title too long");
    }
    return 0;
}
