#include "platform/StandardStreams.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/RegularFile.h"

namespace platform {

void PrepareStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number is taken: this one, as the lower ones are open.
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened >= 0 && opened != fd) ::close(opened);
    }
    ::signal(SIGPIPE, SIG_IGN);
}

void WriteStandardOutput(const std::string& bytes) { WriteAllBytes(STDOUT_FILENO, bytes); }

}  // namespace platform
