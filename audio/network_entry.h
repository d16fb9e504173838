// The HTTP client's blocking operations for the player: a whole document (a
// feed) with its progress, the headers of a station, and an RSS document read.
// They run in the codec module, which the first call loads; without it they
// fail with HttpOpenError::Unavailable (or give an unparsed feed).
#pragma once

#include "net/document_fetch.h"
#include "net/feed_document.h"
#include "net/header_probe.h"

namespace audio {

net::FetchedDocument fetchDocument(const std::string& url, const net::HttpLimits& limits,
                                   const net::FetchProgress& progress);
net::ProbedHeaders probeHeaders(const std::string& url, const net::HttpLimits& limits);
net::FeedDocument parseFeed(std::string_view document, net::FeedParts parts);

} // namespace audio
