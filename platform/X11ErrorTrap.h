// Catches the X errors of one Xlib connection while it lives, so that none of them ends the process.
#pragma once

struct _XDisplay;

// Xlib has one error handler for the whole process, and its own prints the error and exits. A trap
// installs ours from its construction to its destruction: errors of the trap's display are counted
// by the trap; errors of other displays go on to the handler that was there before, or are dropped
// when that is Xlib's own. Traps nest (an error goes to the innermost trap of its display) and may
// end in any order; when the last one ends, the handler from before the first is back. The
// destructor syncs, so no error of the requests made under a trap arrives after it. A null display
// traps nothing. Traps belong to one thread, as Xlib's handler does.
class X11ErrorTrap
{
public:
    explicit X11ErrorTrap(_XDisplay *display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap &) = delete;
    X11ErrorTrap &operator=(const X11ErrorTrap &) = delete;

    // A round trip: returns once the server has answered every request made so far, their errors
    // counted.
    void sync() const;
    // The errors of the trap's display counted so far.
    int errorCount() const { return errorCount_; }

    // Runs `requests` and syncs; true when the server reported no error for them. Errors of earlier
    // requests are collected first and not held against these.
    template <typename Requests>
    bool succeeds(Requests requests) const
    {
        sync();
        const int before = errorCount_;
        requests();
        sync();
        return errorCount_ == before;
    }

private:
    struct Handler;
    using ErasedHandler = void (*)(); // Xlib's XErrorHandler, without Xlib's types in this header

    _XDisplay *const display_;
    // Changed by the error handler, and by traps that end out of order, whatever this trap's constness.
    mutable X11ErrorTrap *outer_ = nullptr;
    mutable ErasedHandler previous_ = nullptr;
    mutable int errorCount_ = 0;
};
