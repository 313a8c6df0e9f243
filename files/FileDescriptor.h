// An open file descriptor that closes itself: one owner, moved, never copied.
#pragma once

#include <cerrno>
#include <unistd.h>

#include <utility>

class FileDescriptor
{
public:
    FileDescriptor() = default;
    // Takes ownership of `descriptor`; a negative value means none.
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    FileDescriptor(FileDescriptor &&other) noexcept : descriptor_(other.release()) {}
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor() { reset(); }

    bool valid() const { return descriptor_ >= 0; }
    int get() const { return descriptor_; }
    // Gives up ownership: the caller closes the returned descriptor.
    int release() { return std::exchange(descriptor_, -1); }
    // Closes the descriptor held (keeping errno as it was) and holds `descriptor` instead.
    void reset(int descriptor = -1)
    {
        if (descriptor_ >= 0) {
            const int saved = errno;
            ::close(descriptor_);
            errno = saved;
        }
        descriptor_ = descriptor;
    }

private:
    int descriptor_ = -1;
};
