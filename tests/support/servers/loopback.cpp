#include "support/servers/loopback.h"

#include <stdexcept>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {
namespace {

sockaddr_in loopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int connectLoopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const sockaddr_in address = loopbackAddress(port);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Reads until the server closes, the time is up or `enough` says so.
template <typename Enough> std::string readUntil(int fd, int timeoutMs, Enough enough) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string data;
    while (!enough(data) && std::chrono::steady_clock::now() < deadline &&
           receiveSome(fd, data, 100) >= 0) {
    }
    return data;
}

std::string sendGet(int port, const std::string& target, const std::vector<std::string>& headers,
                    int timeoutMs, bool statusOnly) {
    const int fd = connectLoopback(port);
    if (fd < 0)
        return {};
    std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n";
    for (const auto& header : headers)
        request += header + "\r\n";
    request += "\r\n";
    const bool sent = send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                      static_cast<ssize_t>(request.size());
    const auto enough = [statusOnly](const std::string& data) {
        return statusOnly && data.find("\r\n") != std::string::npos;
    };
    std::string data = sent ? readUntil(fd, timeoutMs, enough) : std::string();
    close(fd);
    return data;
}

LoopbackReply parseReply(const std::string& data) {
    LoopbackReply reply;
    const auto end = data.find("\r\n\r\n");
    reply.head = data.substr(0, end);
    reply.body = end == std::string::npos ? std::string() : data.substr(end + 4);
    const auto space = reply.head.find(' ');
    if (space != std::string::npos)
        reply.status = std::atoi(reply.head.c_str() + space + 1);
    return reply;
}

} // namespace

int freeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopbackAddress(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

long receiveSome(int fd, std::string& data, int waitMs) {
    pollfd waiting{fd, POLLIN, 0};
    if (poll(&waiting, 1, waitMs) <= 0)
        return 0;
    char chunk[4096];
    const ssize_t count = recv(fd, chunk, sizeof chunk, 0);
    if (count <= 0)
        return -1;
    data.append(chunk, static_cast<size_t>(count));
    return count;
}

bool loopbackAccepts(int port) {
    const int fd = connectLoopback(port);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

LoopbackReply loopbackGet(int port, const std::string& target,
                          const std::vector<std::string>& headers, int timeoutMs) {
    return parseReply(sendGet(port, target, headers, timeoutMs, false));
}

int loopbackStatus(int port, const std::string& target, int timeoutMs) {
    return parseReply(sendGet(port, target, {}, timeoutMs, true)).status;
}

int listenOnLoopback(int backlog, int* port, const char* who) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0)
            close(fd);
        throw std::runtime_error(std::string(who) + " cannot listen");
    }
    *port = ntohs(address.sin_port);
    return fd;
}

} // namespace testsupport
