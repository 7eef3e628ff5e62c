#include "platform/NamedLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// Opens a descriptor for the path, going on after an interruption.
int OpenRetrying(int folder, const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::openat(folder, path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The folder of the names, created when missing, opened without following a link and checked
// to be a folder of this user's own; -1 with the reason otherwise.
int OpenOwnFolder(const std::filesystem::path& folder, std::string& error) {
    const std::string shown = "the lock folder " + folder.string();
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = shown + " cannot be created: " + std::strerror(errno);
        return -1;
    }
    const int fd = OpenRetrying(AT_FDCWD, folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd < 0) {
        error = errno == ELOOP || errno == ENOTDIR
                    ? shown + " is not a folder (a link or another file stands there)"
                    : shown + " cannot be opened: " + std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
        error = shown + " belongs to another user";
        ::close(fd);
        return -1;
    }
    // A folder that others may write lets them remove or replace the names: it is made the
    // user's alone through the descriptor just checked, so no other folder can be changed.
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && ::fchmod(fd, 0700) != 0) {
        error = shown + " may be written by others and cannot be made the user's alone: " +
                std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::filesystem::path NamedLock::DefaultFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        std::error_code error;
        if (std::filesystem::is_directory(runtime, error))
            return std::filesystem::path(runtime) / "quillon";
    }
    return std::filesystem::path("/tmp") /
           ("quillon-" + std::to_string(static_cast<unsigned long>(::geteuid())));
}

std::filesystem::path NamedLock::PathOf(const std::string& name,
                                        const std::filesystem::path& folder) {
    return (folder.empty() ? DefaultFolder() : folder) / (name + ".lock");
}

NamedLock::NamedLock(const std::string& name, const std::filesystem::path& folder) {
    const int folderFd = OpenOwnFolder(folder.empty() ? DefaultFolder() : folder, error_);
    if (folderFd < 0) return;
    const std::string file = name + ".lock";
    const int fd = OpenRetrying(folderFd, file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW, 0600);
    const int openError = errno;
    ::close(folderFd);
    struct stat st {};
    std::string unusable;
    if (fd < 0) {
        unusable = std::string(" cannot be used: ") + std::strerror(openError);
    } else if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        unusable = " cannot be used: it is not a regular file";
    } else if (st.st_uid != ::geteuid()) {
        // Left by another user while the folder was open to others: whoever holds it could
        // keep the name taken for ever.
        unusable = " belongs to another user";
    }
    if (!unusable.empty()) {
        error_ = "the lock file " + PathOf(name, folder).string() + unusable;
        if (fd >= 0) ::close(fd);
        return;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        fd_ = fd;
        return;
    }
    if (errno == EWOULDBLOCK) {
        alreadyExisted_ = true;
    } else {
        error_ = "the lock file " + PathOf(name, folder).string() +
                 " cannot be locked: " + std::strerror(errno);
    }
    ::close(fd);
}

NamedLock::~NamedLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace platform
