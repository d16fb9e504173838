// A one-connection server on 127.0.0.1 that answers a request with a head
// and then repeats a block without end, counting what the kernel accepted.
// It shows whether the client keeps what it is sent in bounds: a client that
// stops reading blocks the sender, one that reads without limit lets it run
// up to its own limit.
#pragma once

#include "support/servers/loopback.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

class EndlessSender {
public:
    EndlessSender(std::string head, std::string block, int64_t limit)
        : head_(std::move(head)), block_(std::move(block)), limit_(limit) {
        int port = 0;
        listenFd_ = testsupport::listenOnLoopback(4, &port, "endless sender");
        port_ = port;
        thread_ = std::thread([this] { serve(); });
    }
    ~EndlessSender() {
        stopping_ = true;
        thread_.join();
        close(listenFd_);
    }
    EndlessSender(const EndlessSender&) = delete;
    EndlessSender& operator=(const EndlessSender&) = delete;

    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int64_t sent() const { return sent_; }
    bool reachedLimit() const { return sent_ >= limit_; }
    bool clientGone() const { return clientGone_; }
    // How long the client has left the connection full without reading.
    int blockedMs() const { return blockedMs_; }

private:
    void serve() {
        const int client = acceptClient();
        if (client < 0)
            return;
        readRequest(client);
        sendAll(client, head_);
        while (!stopping_ && !clientGone_ && sent_ < limit_)
            sendAll(client, block_);
        close(client);
    }

    int acceptClient() {
        while (!stopping_) {
            pollfd wait{listenFd_, POLLIN, 0};
            if (poll(&wait, 1, 100) > 0)
                return accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        }
        return -1;
    }

    void readRequest(int client) {
        std::string request;
        while (!stopping_ && request.find("\r\n\r\n") == std::string::npos) {
            if (testsupport::receiveSome(client, request, 100) < 0)
                return;
        }
    }

    void sendAll(int client, const std::string& bytes) {
        size_t done = 0;
        auto blockedSince = std::chrono::steady_clock::now();
        while (done < bytes.size() && !stopping_ && !clientGone_) {
            pollfd wait{client, POLLOUT, 0};
            const int ready = poll(&wait, 1, 100);
            if (ready == 0) {
                blockedMs_ = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  std::chrono::steady_clock::now() - blockedSince)
                                                  .count());
                continue;
            }
            const ssize_t count =
                send(client, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (count < 0 && errno != EAGAIN) {
                clientGone_ = true;
                return;
            }
            if (count > 0) {
                done += static_cast<size_t>(count);
                sent_ += count;
                blockedMs_ = 0;
                blockedSince = std::chrono::steady_clock::now();
            }
        }
    }

    const std::string head_;
    const std::string block_;
    const int64_t limit_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> clientGone_{false};
    std::atomic<int64_t> sent_{0};
    std::atomic<int> blockedMs_{0};
    std::thread thread_;
};
