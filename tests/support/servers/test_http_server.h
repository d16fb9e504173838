// A scriptable HTTP/1.1 server on 127.0.0.1 for feed and fault tests. Each
// path is given a response: a plain body, a body dripped in chunks, a stall,
// a truncated or reset body, an endless body, a trickle of body bytes or of
// header lines, garbage, silence, or any raw text. Every request is
// recorded. One connection per request.
#pragma once

#include <QtGlobal>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct TestResponse {
    enum class Ending {
        Close,   // close after the body
        Reset,   // abort the connection (RST) after the body
        Hold,    // keep the connection open, sending nothing more
        Endless, // repeat the body until the client goes away
        // After the body, one more byte (of the body, or 'x') every
        // chunkDelayMs: every byte is news, so no stall timer ever runs out.
        TrickleBody,
        // After the status line, one more header line every chunkDelayMs,
        // never the blank line that ends the head.
        TrickleHeaders,
    };

    std::string raw; // sent verbatim (then the body) instead of a generated head
    int status = 200;
    std::string reason = "OK";
    std::string contentType = "application/octet-stream";
    std::vector<std::string> headers;
    std::string body;
    int64_t announcedLength = -1; // Content-Length when >= 0
    bool ranges = false;          // answers "Range: bytes=N-" with 206
    bool stallsRanges = false;    // ...or, from N > 0, holds the connection without an answer
    size_t chunkSize = 0;         // 0: the body in one piece
    int chunkDelayMs = 0;
    Ending ending = Ending::Close;
    bool answers = true; // false: reads the request and never answers

    static TestResponse ok(std::string body, std::string contentType = "text/plain");
    static TestResponse notFound();
    static TestResponse rawText(std::string text, Ending ending = Ending::Close);
    static TestResponse dripped(std::string body, size_t chunkSize, int delayMs,
                                std::string contentType = "text/plain");
    // Headers and a first part of the body, then nothing while the client waits.
    static TestResponse stalled(std::string firstPart, std::string contentType = "audio/mpeg");
    // Announces more than it sends, then closes.
    static TestResponse truncated(std::string body, int64_t announcedLength);
    static TestResponse resetAfter(std::string firstPart, std::string contentType = "audio/mpeg");
    static TestResponse endless(std::string contentType = "application/octet-stream");
    static TestResponse garbage();
    static TestResponse silent(); // accepts, reads the request, never answers
    static TestResponse redirect(const std::string& location);
    // "200 OK" with the content type, then one byte every delayMs.
    static TestResponse trickle(std::string contentType, int delayMs);
    // A status line, then one header line every delayMs.
    static TestResponse trickledHeaders(int delayMs);
};

struct RecordedRequest {
    std::string method;
    std::string target;
    std::vector<std::string> headerLines;
    // The trimmed value of the first header of that name (any letter case).
    std::string header(const std::string& name) const;
};

class TestHttpServer {
public:
    TestHttpServer();
    ~TestHttpServer();
    Q_DISABLE_COPY(TestHttpServer)

    int port() const { return port_; }
    std::string url(const std::string& path) const;
    void route(const std::string& path, TestResponse response);
    std::vector<RecordedRequest> requests() const;
    // How many requests asked for the target so far.
    size_t requestCount(const std::string& target) const;

private:
    void acceptLoop();
    void serve(int client);
    bool answer(int client, const TestResponse& response, const RecordedRequest& request);
    bool sendBody(int client, const std::string& body, const TestResponse& response);
    void finish(int client, const TestResponse& response);
    void trickle(int client, const TestResponse& response);
    bool sendAll(int fd, const char* data, size_t size);
    bool waitMs(int ms);
    TestResponse responseFor(const std::string& target) const;

    int listenFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, TestResponse> routes_;
    std::vector<RecordedRequest> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptThread_;
};

} // namespace testsupport
