// A session bus of the test process's own: a dbus-daemon started before
// anything connects, announced through DBUS_SESSION_BUS_ADDRESS, so the
// tests (and the players and clients they start) never touch the desktop's
// bus. The daemon ends with the object, or with the test process.
#pragma once

#include <string>
#include <sys/types.h>

namespace testsupport {

class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool running() const { return !address_.empty(); }
    const std::string& address() const { return address_; }

private:
    pid_t pid_ = -1;
    std::string address_;
};

} // namespace testsupport
