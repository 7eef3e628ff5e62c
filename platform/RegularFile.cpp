#include "platform/RegularFile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

RegularFile::~RegularFile() { Close(); }

bool RegularFile::Open(const std::string& path) {
    Close();
    // O_NONBLOCK: opening a pipe without a writer, or a device, must not wait.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    const auto ns = [](const timespec& t) { return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; };
    stamp_ = {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino),
              static_cast<uint64_t>(status.st_size), ns(status.st_mtim), ns(status.st_ctim)};
    return true;
}

size_t RegularFile::Read(void* buffer, size_t length) {
    if (fd_ < 0) return 0;
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

void RegularFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    stamp_ = {};
}

bool ReadRegularFile(const std::string& path, std::string& bytes, uint64_t maxBytes) {
    bytes.clear();
    RegularFile file;
    if (!file.Open(path) || file.Size() > maxBytes) return false;
    bytes.resize(static_cast<size_t>(file.Size()));
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    return true;
}

bool WriteAllBytes(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n >= 0) {
            done += static_cast<size_t>(n);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // A descriptor shared in non-blocking mode: wait until it takes bytes again.
            pollfd ready{fd, POLLOUT, 0};
            if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return false;
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace platform
