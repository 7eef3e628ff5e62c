#include "platform/NamedLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

std::filesystem::path NamedLock::PathOf(const std::string& name,
                                        const std::filesystem::path& folder) {
    if (!folder.empty()) return folder / (name + ".lock");
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        std::error_code error;
        if (std::filesystem::is_directory(runtime, error))
            return std::filesystem::path(runtime) / (name + ".lock");
    }
    return std::filesystem::path("/tmp") /
           (name + "-" + std::to_string(static_cast<unsigned long>(getuid())) + ".lock");
}

NamedLock::NamedLock(const std::string& name, const std::filesystem::path& folder) {
    const std::string path = PathOf(name, folder).string();
    // No link is followed: in a shared folder another user's link cannot redirect the lock.
    int fd;
    do {
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return;
    int result;
    do {
        result = flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        fd_ = fd;
        return;
    }
    alreadyExisted_ = errno == EWOULDBLOCK;
    close(fd);
}

NamedLock::~NamedLock() {
    if (fd_ >= 0) close(fd_);
}

}  // namespace platform
