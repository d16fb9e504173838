// Small socket helpers for test servers on 127.0.0.1.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// A port on 127.0.0.1 that was free a moment ago (bound, read and released).
int freeLoopbackPort();

// A listening socket on 127.0.0.1 at a port the system picks; its port goes
// to *port. Throws std::runtime_error with `who` in the text when it cannot.
int listenOnLoopback(int backlog, int* port, const char* who);

// Waits up to waitMs for bytes on a socket and appends what came to data.
// Returns the count, 0 when nothing came in time, -1 when the peer closed or
// the socket failed.
long receiveSome(int fd, std::string& data, int waitMs);

// True when something accepts connections on 127.0.0.1:port.
bool loopbackAccepts(int port);

struct LoopbackReply {
    int status = 0; // 0: no answer
    std::string head;
    std::string body;
};

// A plain GET to 127.0.0.1:port, read until the server closes or the time is up.
LoopbackReply loopbackGet(int port, const std::string& target,
                          const std::vector<std::string>& headers = {}, int timeoutMs = 5000);
// The status of a plain GET, read as soon as the status line is in (a
// never-ending body such as a station's is not waited for); 0: no answer.
int loopbackStatus(int port, const std::string& target, int timeoutMs = 5000);

} // namespace testsupport
