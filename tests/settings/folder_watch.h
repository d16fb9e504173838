// Counts what happens to one file of a folder (inotify): its openings and
// the renames onto its name. The kernel queues the events before the call
// that caused them returns, so a count taken afterwards is complete.
#pragma once

#include <string>
#include <sys/inotify.h>
#include <unistd.h>

class FolderWatch {
public:
    struct Counts {
        int opens = 0;
        int renamesOnto = 0;
    };

    FolderWatch(const std::string& folder, std::string name) : name_(std::move(name)) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        inotify_add_watch(fd_, folder.c_str(), IN_OPEN | IN_MOVED_TO);
    }
    ~FolderWatch() { close(fd_); }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // What happened to the file since the last call.
    Counts take() {
        Counts counts;
        alignas(inotify_event) char buffer[16384];
        ssize_t length;
        while ((length = read(fd_, buffer, sizeof buffer)) > 0) {
            for (char* at = buffer; at < buffer + length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0 && name_ == event->name) {
                    counts.opens += (event->mask & IN_OPEN) ? 1 : 0;
                    counts.renamesOnto += (event->mask & IN_MOVED_TO) ? 1 : 0;
                }
                at += sizeof(inotify_event) + event->len;
            }
        }
        return counts;
    }

private:
    std::string name_;
    int fd_;
};
