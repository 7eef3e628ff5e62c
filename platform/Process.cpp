#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

std::optional<std::string> RunShellCapture(const std::string& commandLine,
                                           const std::string& workingFolder) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    // Tells the parent whether the command was started: closed by a successful exec, written
    // to when the folder cannot be entered or the shell cannot be run.
    int started[2];
    if (::pipe2(started, O_CLOEXEC) != 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return std::nullopt;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        for (int fd : {fds[0], fds[1], started[0], started[1]}) ::close(fd);
        return std::nullopt;
    }
    if (pid == 0) {
        // Child: output and errors into the pipe, no standard input.
        const int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
        ::dup2(fds[1], STDOUT_FILENO);
        ::dup2(fds[1], STDERR_FILENO);
        if (workingFolder.empty() || ::chdir(workingFolder.c_str()) == 0) {
            ::signal(SIGPIPE, SIG_DFL);
            ::execl("/bin/sh", "sh", "-c", commandLine.c_str(), static_cast<char*>(nullptr));
        }
        const int error = errno;
        [[maybe_unused]] const ssize_t ignored = ::write(started[1], &error, sizeof(error));
        _exit(127);
    }
    ::close(fds[1]);
    ::close(started[1]);
    int error = 0;
    ssize_t got;
    while ((got = ::read(started[0], &error, sizeof(error))) < 0 && errno == EINTR) {
    }
    ::close(started[0]);
    if (got > 0) {
        // Never started: nothing ran that could have succeeded quietly.
        ::close(fds[0]);
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        return std::nullopt;
    }
    std::string output;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], chunk, sizeof(chunk) - 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        output.append(chunk, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return output;
}

}  // namespace platform
