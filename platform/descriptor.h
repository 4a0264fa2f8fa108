#pragma once
// A file descriptor that is closed when it goes out of scope.

#include <unistd.h>

#include <utility>

namespace sv {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, so that a failure to write back (a full disk) is seen.
    int close() { return ::close(std::exchange(fd_, -1)); }
    // Hands the descriptor over to the caller.
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

}  // namespace sv
