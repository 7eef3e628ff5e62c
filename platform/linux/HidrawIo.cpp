#include "platform/linux/HidrawIo.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/Clock.h"

namespace platform {

namespace {

// Longest single real wait in poll(); the time-out itself is kept on the program's clock.
constexpr uint32_t kPollSliceMs = 20;

enum class Attempt { Done, Again, Failed };

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

// Waits for the descriptor to become ready for events and then makes the attempt, until it
// is done, fails, or the time-out passes. A clock that did not move while poll() waited
// a real slice is not following real time (a test's virtual clock): it is charged the rest of
// the time-out, so a wait on such a clock costs one slice of real time.
template <typename AttemptFn>
IoStatus WaitAndAttempt(Clock& clock, int fd, short events, uint32_t timeoutMs, AttemptFn attempt) {
    const uint64_t start = clock.NowMs();
    for (;;) {
        const uint64_t now = clock.NowMs();
        const uint64_t elapsed = now - start;
        const uint32_t left = elapsed >= timeoutMs ? 0 : static_cast<uint32_t>(timeoutMs - elapsed);
        const uint32_t slice = std::min(left, kPollSliceMs);
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(slice));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return IoStatus::Failed;
        }
        if (ready > 0) {
            // A node whose device went away reports an error or hang-up. A read still takes
            // what arrived before; a write fails before it is tried.
            if (entry.revents & POLLNVAL) return IoStatus::Failed;
            if ((events & POLLOUT) && (entry.revents & (POLLERR | POLLHUP)))
                return IoStatus::Failed;
            if ((entry.revents & events) == 0) return IoStatus::Failed;
            switch (attempt()) {
                case Attempt::Done:
                    return IoStatus::Ok;
                case Attempt::Failed:
                    return IoStatus::Failed;
                case Attempt::Again:
                    // Ready yet nothing to do: someone else took it. Let time pass so that
                    // a clock that only moves when asked still reaches the time-out.
                    if (left == 0) return IoStatus::Timeout;
                    clock.SleepMs(1);
                    continue;
            }
        }
        if (left == 0) return IoStatus::Timeout;
        if (clock.NowMs() == now) clock.SleepMs(left);
    }
}

}  // namespace

int OpenLockedNode(const char* node) {
    if (!node) return -1;
    const int fd = ::open(node, O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return -1;
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

IoStatus WriteHidReport(Clock& clock, int fd, const uint8_t* report, size_t length,
                        uint32_t timeoutMs) {
    if (fd < 0 || !report || length == 0) return IoStatus::Failed;
    return WaitAndAttempt(clock, fd, POLLOUT, timeoutMs, [&] {
        const ssize_t written = ::write(fd, report, length);
        if (written < 0) return WouldBlock(errno) ? Attempt::Again : Attempt::Failed;
        return static_cast<size_t>(written) == length ? Attempt::Done : Attempt::Failed;
    });
}

IoStatus ReadHidReport(Clock& clock, int fd, uint8_t* buffer, size_t length, uint32_t timeoutMs,
                       bool numberedReports, size_t& delivered) {
    delivered = 0;
    // Without report ids the report goes behind a 0 in byte 0, which needs one more byte.
    const size_t skip = numberedReports ? 0 : 1;
    if (fd < 0 || !buffer || length <= skip) return IoStatus::Failed;
    return WaitAndAttempt(clock, fd, POLLIN, timeoutMs, [&] {
        const ssize_t got = ::read(fd, buffer + skip, length - skip);
        if (got < 0) return WouldBlock(errno) ? Attempt::Again : Attempt::Failed;
        // End of file: the other side is gone (a hidraw node never delivers an empty report).
        if (got == 0) return Attempt::Failed;
        if (skip) buffer[0] = 0;
        delivered = static_cast<size_t>(got) + skip;
        return Attempt::Done;
    });
}

}  // namespace platform
