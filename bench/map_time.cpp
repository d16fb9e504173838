// map_time: starts a program and reports how long after exec its main window
// was mapped, by watching the X server's map events on the root window (no
// polling, so the measurement itself takes no CPU from the program), then the
// program's resident memory after it has idled for a while.
//
// Usage: map_time NAME_PREFIX IDLE_SECONDS PROGRAM [ARGS...]
// Prints "MS RSS_KB" ("timeout 0" when no such window appears in 20 s). The
// window is the first top-level window mapped whose title (or, without one,
// class) starts with NAME_PREFIX. The program is killed at the end.
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

std::string windowName(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
        nullptr);
    std::string name;
    if (reply) {
        name.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                    static_cast<std::size_t>(xcb_get_property_value_length(reply)));
        std::free(reply);
    }
    return name;
}

long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
    }
    return 0;
}

pid_t launch(char** argv) {
    const pid_t pid = fork();
    if (pid == 0) {
        // The program's own output would mix with the figures on stdout.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        execvp(argv[0], argv);
        _exit(127);
    }
    return pid;
}

bool named(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t netName,
           const std::string& prefix) {
    // The title, or else the class (instance and class name, NUL separated):
    // some programs leave their main window without a title.
    for (const xcb_atom_t property : {netName, xcb_atom_t{XCB_ATOM_WM_NAME}}) {
        if (windowName(connection, window, property).rfind(prefix, 0) == 0)
            return true;
    }
    const std::string wmClass = windowName(connection, window, XCB_ATOM_WM_CLASS);
    const auto nul = wmClass.find('\0');
    return wmClass.rfind(prefix, 0) == 0 ||
           (nul != std::string::npos && wmClass.compare(nul + 1, prefix.size(), prefix) == 0);
}

// Waits until a mapped top-level window has a name that starts with prefix
// (some programs name their window after mapping it); returns the
// milliseconds since `started`, or -1.
double waitForMap(xcb_connection_t* connection, const std::string& prefix, pid_t child,
                  Clock::time_point started) {
    const xcb_atom_t netName = atom(connection, "_NET_WM_NAME");
    const auto deadline = started + std::chrono::seconds(20);
    std::set<xcb_window_t> mapped;
    pollfd watch{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (Clock::now() < deadline) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const Clock::time_point seen = Clock::now();
            xcb_window_t candidate = XCB_WINDOW_NONE;
            const int type = event->response_type & 0x7f;
            if (type == XCB_MAP_NOTIFY) {
                candidate = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
                mapped.insert(candidate);
                // Its name may come later: watch its properties.
                const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(connection, candidate, XCB_CW_EVENT_MASK, &mask);
                xcb_flush(connection);
            } else if (type == XCB_PROPERTY_NOTIFY) {
                candidate = reinterpret_cast<xcb_property_notify_event_t*>(event)->window;
            }
            std::free(event);
            if (candidate != XCB_WINDOW_NONE && mapped.count(candidate) &&
                named(connection, candidate, netName, prefix))
                return std::chrono::duration<double, std::milli>(seen - started).count();
        }
        if (waitpid(child, nullptr, WNOHANG) == child)
            return -1; // it quit without a window
        poll(&watch, 1, 100);
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: map_time NAME_PREFIX IDLE_SECONDS PROGRAM [ARGS...]\n");
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "map_time: no X display\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    const Clock::time_point started = Clock::now();
    const pid_t child = launch(argv + 3);
    const double ms = waitForMap(connection, argv[1], child, started);
    long rss = 0;
    if (ms >= 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(argv[2])));
        rss = residentKb(child);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    xcb_disconnect(connection);
    if (ms < 0)
        std::printf("timeout 0\n");
    else
        std::printf("%.0f %ld\n", ms, rss);
    return 0;
}
