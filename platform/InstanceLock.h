// The lock file a Wayland saver holds for its life, so that a second saver or dialog finds it (X11 captions cannot see it).
#pragma once

#include <QByteArray>

// $XDG_RUNTIME_DIR/helixcavern.lock, held with flock(LOCK_EX) while the object holds it. Without
// XDG_RUNTIME_DIR there is no lock: acquire() then succeeds and heldElsewhere() is false.
class InstanceLock
{
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // The lock file's path; empty when XDG_RUNTIME_DIR is unset or empty.
    static QByteArray path();
    // True when another process (or another object of this one) holds the lock now.
    static bool heldElsewhere();
    // Takes the lock until this object is destroyed; false when someone else holds it.
    bool acquire();

private:
    int fd_ = -1;
};
