#include "support/servers/test_http_server.h"

#include "support/servers/loopback.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {
namespace {

constexpr size_t maxRequestSize = 64 * 1024;
constexpr int requestTimeoutMs = 5000;
constexpr int holdLimitMs = 60000;
constexpr int64_t endlessLimit = int64_t(1) << 30;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

RecordedRequest parseRequest(const std::string& text) {
    RecordedRequest request;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    std::istringstream first(line);
    first >> request.method >> request.target;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            break;
        request.headerLines.push_back(line);
    }
    return request;
}

int64_t rangeStart(const RecordedRequest& request) {
    const std::string range = lower(request.header("range"));
    if (range.rfind("bytes=", 0) != 0)
        return -1;
    return std::atoll(range.c_str() + 6);
}

std::string generatedHead(const TestResponse& response, int status, int64_t length,
                          const std::string& extra) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " +
                       (status == 206 ? std::string("Partial Content") : response.reason) + "\r\n";
    if (!response.contentType.empty())
        head += "Content-Type: " + response.contentType + "\r\n";
    if (length >= 0)
        head += "Content-Length: " + std::to_string(length) + "\r\n";
    if (response.ranges)
        head += "Accept-Ranges: bytes\r\n";
    for (const auto& header : response.headers)
        head += header + "\r\n";
    return head + extra + "Connection: close\r\n\r\n";
}

void makeNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// A generated head without a length, a first part of the body, then ending.
TestResponse headThen(std::string firstPart, std::string contentType, TestResponse::Ending ending) {
    TestResponse response;
    response.body = std::move(firstPart);
    response.contentType = std::move(contentType);
    response.ending = ending;
    return response;
}

} // namespace

TestResponse TestResponse::ok(std::string body, std::string contentType) {
    TestResponse response;
    response.announcedLength = static_cast<int64_t>(body.size());
    response.body = std::move(body);
    response.contentType = std::move(contentType);
    return response;
}

TestResponse TestResponse::notFound() {
    TestResponse response = ok("not found");
    response.status = 404;
    response.reason = "Not Found";
    return response;
}

TestResponse TestResponse::rawText(std::string text, Ending ending) {
    TestResponse response;
    response.raw = std::move(text);
    response.ending = ending;
    return response;
}

TestResponse TestResponse::dripped(std::string body, size_t chunkSize, int delayMs,
                                   std::string contentType) {
    TestResponse response = ok(std::move(body), std::move(contentType));
    response.chunkSize = chunkSize;
    response.chunkDelayMs = delayMs;
    return response;
}

TestResponse TestResponse::stalled(std::string firstPart, std::string contentType) {
    return headThen(std::move(firstPart), std::move(contentType), Ending::Hold);
}

TestResponse TestResponse::truncated(std::string body, int64_t announcedLength) {
    TestResponse response = ok(std::move(body));
    response.announcedLength = announcedLength;
    return response;
}

TestResponse TestResponse::resetAfter(std::string firstPart, std::string contentType) {
    return headThen(std::move(firstPart), std::move(contentType), Ending::Reset);
}

TestResponse TestResponse::endless(std::string contentType) {
    TestResponse response;
    response.body = std::string(64 * 1024, 'x');
    response.contentType = std::move(contentType);
    response.ending = Ending::Endless;
    return response;
}

TestResponse TestResponse::garbage() {
    return rawText("\x7f\x01garbage\xff\xfe not http at all\r\n\r\n");
}

TestResponse TestResponse::silent() {
    TestResponse response;
    response.answers = false;
    response.ending = Ending::Hold;
    return response;
}

TestResponse TestResponse::trickle(std::string contentType, int delayMs) {
    TestResponse response = headThen({}, std::move(contentType), Ending::TrickleBody);
    response.chunkDelayMs = delayMs;
    return response;
}

TestResponse TestResponse::trickledHeaders(int delayMs) {
    TestResponse response = rawText("HTTP/1.1 200 OK\r\n", Ending::TrickleHeaders);
    response.chunkDelayMs = delayMs;
    return response;
}

TestResponse TestResponse::redirect(const std::string& location) {
    TestResponse response = ok({});
    response.status = 302;
    response.reason = "Found";
    response.headers.push_back("Location: " + location);
    return response;
}

std::string RecordedRequest::header(const std::string& name) const {
    const std::string wanted = lower(name);
    for (const auto& line : headerLines) {
        const auto colon = line.find(':');
        if (colon != std::string::npos && lower(line.substr(0, colon)) == wanted)
            return trim(line.substr(colon + 1));
    }
    return {};
}

TestHttpServer::TestHttpServer() {
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    int port = 0;
    listenFd_ = listenOnLoopback(64, &port, "test server");
    port_ = port;
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
    stopping_ = true;
    const char byte = 0;
    (void)!write(wakeWrite_, &byte, 1); // wakes every wait at once: the pipe stays readable
    acceptThread_.join();
    for (auto& connection : connections_)
        connection.join();
    close(listenFd_);
    close(wakeRead_);
    close(wakeWrite_);
}

std::string TestHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TestHttpServer::route(const std::string& path, TestResponse response) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(response);
}

std::vector<RecordedRequest> TestHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

size_t TestHttpServer::requestCount(const std::string& target) const {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count_if(requests_.begin(), requests_.end(),
                                             [&](const auto& r) { return r.target == target; }));
}

void TestHttpServer::acceptLoop() {
    while (!stopping_) {
        pollfd waits[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(waits, 2, -1) <= 0 || stopping_)
            continue;
        const int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        makeNonBlocking(client);
        connections_.emplace_back([this, client] { serve(client); });
    }
}

void TestHttpServer::serve(int client) {
    std::string text;
    char chunk[4096];
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(requestTimeoutMs);
    while (text.find("\r\n\r\n") == std::string::npos && text.size() < maxRequestSize &&
           std::chrono::steady_clock::now() < deadline) {
        pollfd waits[2] = {{client, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(waits, 2, 100) <= 0)
            continue;
        if (waits[1].revents)
            break;
        const ssize_t count = recv(client, chunk, sizeof chunk, 0);
        if (count <= 0)
            break;
        text.append(chunk, static_cast<size_t>(count));
    }
    const RecordedRequest request = parseRequest(text);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    if (!stopping_ && answer(client, responseFor(request.target), request))
        return; // answer() closed or reset the connection itself
    close(client);
}

// Returns true when the connection has been closed already.
bool TestHttpServer::answer(int client, const TestResponse& response,
                            const RecordedRequest& request) {
    if (!response.answers) {
        finish(client, response);
        return true;
    }
    std::string body = response.body;
    std::string head;
    const int64_t start = response.ranges ? rangeStart(request) : -1;
    if (start > 0 && response.stallsRanges) {
        TestResponse held = response;
        held.ending = TestResponse::Ending::Hold;
        finish(client, held);
        return true;
    }
    if (!response.raw.empty()) {
        body = response.raw + body; // dripped like a body when chunked
    } else if (start >= 0 && start < static_cast<int64_t>(body.size())) {
        const std::string total = std::to_string(body.size());
        body.erase(0, static_cast<size_t>(start));
        const std::string range = "Content-Range: bytes " + std::to_string(start) + "-" +
                                  std::to_string(start + body.size() - 1) + "/" + total;
        head = generatedHead(response, 206, static_cast<int64_t>(body.size()), range + "\r\n");
    } else {
        head = generatedHead(response, response.status, response.announcedLength, {});
    }
    if (!sendAll(client, head.data(), head.size()) || !sendBody(client, body, response))
        return false;
    finish(client, response);
    return true;
}

bool TestHttpServer::sendBody(int client, const std::string& body, const TestResponse& response) {
    const size_t step =
        response.chunkSize > 0 ? response.chunkSize : std::max<size_t>(body.size(), 1);
    for (size_t pos = 0; pos < body.size(); pos += step) {
        if (pos > 0 && response.chunkDelayMs > 0 && !waitMs(response.chunkDelayMs))
            return false;
        if (!sendAll(client, body.data() + pos, std::min(step, body.size() - pos)))
            return false;
    }
    return true;
}

void TestHttpServer::finish(int client, const TestResponse& response) {
    using Ending = TestResponse::Ending;
    if (response.ending == Ending::Endless) {
        for (int64_t sent = 0; sent < endlessLimit && !stopping_; sent += response.body.size())
            if (!sendAll(client, response.body.data(), response.body.size()))
                break;
    } else if (response.ending == Ending::Hold) {
        // Until the client closes (recv gives 0) or the server stops.
        char chunk[1024];
        for (int waited = 0; waited < holdLimitMs && !stopping_; waited += 100) {
            pollfd waits[2] = {{client, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
            if (poll(waits, 2, 100) > 0 && waits[0].revents &&
                recv(client, chunk, sizeof chunk, 0) <= 0)
                break;
        }
    } else if (response.ending == Ending::TrickleBody ||
               response.ending == Ending::TrickleHeaders) {
        trickle(client, response);
    } else if (response.ending == Ending::Reset) {
        const linger abortive{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    }
    close(client);
}

void TestHttpServer::trickle(int client, const TestResponse& response) {
    const int delay = std::max(response.chunkDelayMs, 1);
    for (int n = 0, waited = 0; waited < holdLimitMs && waitMs(delay); ++n, waited += delay) {
        std::string piece;
        if (response.ending == TestResponse::Ending::TrickleHeaders)
            piece = "X-Wait-" + std::to_string(n) + ": " + std::to_string(n) + "\r\n";
        else
            piece = response.body.empty() ? "x"
                                          : std::string(1, response.body[n % response.body.size()]);
        if (!sendAll(client, piece.data(), piece.size()))
            return;
    }
}

bool TestHttpServer::sendAll(int fd, const char* data, size_t size) {
    while (size > 0 && !stopping_) {
        pollfd waits[2] = {{fd, POLLOUT, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(waits, 2, 100) <= 0)
            continue;
        if (!(waits[0].revents & POLLOUT)) {
            if (waits[0].revents & (POLLERR | POLLHUP | POLLNVAL))
                return false;
            continue;
        }
        const ssize_t count = send(fd, data, size, MSG_NOSIGNAL);
        if (count < 0 && errno != EAGAIN)
            return false;
        if (count > 0) {
            data += count;
            size -= static_cast<size_t>(count);
        }
    }
    return size == 0;
}

bool TestHttpServer::waitMs(int ms) {
    pollfd wake{wakeRead_, POLLIN, 0};
    return poll(&wake, 1, ms) == 0 && !stopping_;
}

TestResponse TestHttpServer::responseFor(const std::string& target) const {
    std::lock_guard lock(mutex_);
    auto found = routes_.find(target);
    if (found == routes_.end())
        found = routes_.find(target.substr(0, target.find('?')));
    return found != routes_.end() ? found->second : TestResponse::notFound();
}

} // namespace testsupport
