#include "platform/http_fetch.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <curl/curl.h>

namespace platform {
namespace {

constexpr int64_t progressStep = 256;
// Header lines of every response (redirects included) together; a server
// that sends headers without end is cut off here.
constexpr size_t maxHeaderBytes = 64 * 1024;

using Clock = std::chrono::steady_clock;

struct Download {
    std::string body;
    int64_t maxBytes = 0;
    const FetchProgress* progress = nullptr;
    std::chrono::milliseconds stallTimeout{0};
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastCount = 0;
    size_t headerBytes = 0;

    // True when no byte has come for the stall timeout.
    bool stalled(curl_off_t received) {
        const auto now = Clock::now();
        if (received != lastCount) {
            lastCount = received;
            lastActivity = now;
        }
        return now - lastActivity > stallTimeout;
    }

    size_t append(const char* data, size_t size) {
        const int64_t before = static_cast<int64_t>(body.size());
        if (before + static_cast<int64_t>(size) > maxBytes)
            return 0; // aborts the transfer
        body.append(data, size);
        const int64_t after = static_cast<int64_t>(body.size());
        for (int64_t mark = (before / progressStep + 1) * progressStep; mark <= after;
             mark += progressStep)
            report(mark);
        return size;
    }

    void reportRest() const {
        const auto total = static_cast<int64_t>(body.size());
        if (total % progressStep != 0)
            report(total);
    }

    void report(int64_t total) const {
        if (progress && *progress)
            (*progress)(total);
    }
};

size_t writeBody(char* data, size_t size, size_t count, void* download) {
    return static_cast<Download*>(download)->append(data, size * count);
}

size_t countHeader(char*, size_t size, size_t count, void* download) {
    size_t& total = static_cast<Download*>(download)->headerBytes;
    total += size * count;
    return total > maxHeaderBytes ? 0 : size * count; // 0 aborts the transfer
}

int checkStall(void* download, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    return static_cast<Download*>(download)->stalled(received) ? 1 : 0;
}

bool isHttpUrl(const std::string& url) {
    std::string head = url.substr(0, 8);
    std::transform(head.begin(), head.end(), head.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return head.rfind("http://", 0) == 0 || head == "https://";
}

void ensureCurlInitialised() {
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)initialised;
}

void configure(CURL* easy, const std::string& url, const FetchLimits& limits, curl_slist* headers,
               Download& download) {
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
    // libcurl calls the progress function at least about once a second, also
    // while nothing arrives; it ends the transfer when the server went quiet.
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &checkStall);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &download);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Quaverly");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &writeBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &download);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &countHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &download);
}

} // namespace

FetchResult fetchUrl(const std::string& url, const FetchProgress& progress,
                     const FetchLimits& limits) {
    if (!isHttpUrl(url))
        return {};
    ensureCurlInitialised();
    CURL* easy = curl_easy_init();
    if (!easy)
        return {};
    curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    Download download;
    download.maxBytes = limits.maxBytes;
    download.progress = &progress;
    download.stallTimeout = std::chrono::milliseconds(limits.stallTimeoutMs);
    configure(easy, url, limits, headers, download);
    const CURLcode result = curl_easy_perform(easy);
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
    if (result != CURLE_OK)
        return {};
    download.reportRest();
    return {true, std::move(download.body)};
}

} // namespace platform
