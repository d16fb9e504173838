// Small socket helpers for test servers on 127.0.0.1.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// A port on 127.0.0.1 that was free a moment ago (bound, read and released).
int freeLoopbackPort();

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

} // namespace testsupport
