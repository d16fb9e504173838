// The per-user marker that an instance of a program is running, in the role
// of a named mutex whose handles are never closed: it exists as long as any
// process that asked for it is alive, and the kernel drops it when the last
// such process ends (also after a crash).
//
// It is a shared flock on a file in $XDG_RUNTIME_DIR (or, without one, in a
// folder of the user's own in /tmp), named after the program and the user
// id. Only lock files that the user alone can open are locked, so another
// user can never hold the start-up. The first process to ask finds no other
// holder; every later one, while any holder lives, finds the lock held and
// still joins the holders, just as a second CreateMutex opens a handle to the
// existing mutex. (An abstract socket name cannot be shared that way: after
// the first instance ended, the mark would vanish while a second one runs.)
#pragma once

#include <QString>

namespace platform {

class InstanceLock {
public:
    enum class Outcome {
        Acquired,      // no other process held the lock
        HeldElsewhere, // another running process holds it
    };

    // programName names the lock ("Quaverly"); folder is where the lock file
    // lives (defaultFolder() when empty).
    explicit InstanceLock(const QString& programName, const QString& folder = QString());
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock and tells whether another process held it already
    // (later calls repeat the first answer). A lock file that cannot be
    // opened or locked, or that is another user's or open to other users,
    // counts as Acquired, so that a broken runtime folder or another user
    // never stops the program from starting.
    Outcome acquire();

    QString filePath() const { return filePath_; }

    // $XDG_RUNTIME_DIR, else privateFolderIn("/tmp"); empty when neither
    // can be used.
    static QString defaultFolder();
    // "quaverly-UID" in the shared folder, created with mode 0700; empty
    // when it cannot be made or is not this user's alone (another user
    // made it first, or it is a link).
    static QString privateFolderIn(const QString& shared);

private:
    QString filePath_;
    int fd_ = -1;
    Outcome outcome_ = Outcome::Acquired;
};

} // namespace platform
