#include "platform/ByteInput.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

StdinByteInput::StdinByteInput() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = fds[0];
        wakeWrite_ = fds[1];
    }
}

StdinByteInput::~StdinByteInput() {
    if (wakeRead_ >= 0) close(wakeRead_);
    if (wakeWrite_ >= 0) close(wakeWrite_);
}

int StdinByteInput::ReadByte() {
    for (;;) {
        if (cancelled_.load()) return kEnd;
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int ready = poll(fds, wakeRead_ >= 0 ? 2 : 1, -1);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return kEnd;
        }
        if (cancelled_.load() || (fds[1].revents & POLLIN)) return kEnd;
        if (fds[0].revents & POLLNVAL) return kEnd;
        if (fds[0].revents == 0) continue;
        // Readable, hung up or failed: the read tells which.
        unsigned char byte = 0;
        const ssize_t n = read(STDIN_FILENO, &byte, 1);
        if (n == 1) return byte;
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        return kEnd;
    }
}

void StdinByteInput::Cancel() {
    cancelled_ = true;
    if (wakeWrite_ >= 0) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t n = write(wakeWrite_, &wake, 1);
    }
}

}  // namespace platform
