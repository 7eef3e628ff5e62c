// The executable on the standard streams it inherits: closed ones, and a reader of its output
// that goes away while it works.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "QuillonExe.h"

namespace {

// The chip's answer to an identity read once it holds the 0x1060 image.
const char* const kIdentityAfterDownload = "< 03 39 31 31 00 60 10";

class StandardStreams : public QuillonExe {
  protected:
    void SetUp() override {
        QuillonExe::SetUp();
        // A program that hangs is ended, so the test fails instead of waiting for ever.
        environment_ = "timeout -s KILL 10 env";
    }

    // Runs the command with its standard output in a pipe of which this test reads `keep`
    // bytes (everything when negative) and then closes; returns the bytes read. The program
    // keeps the default action of SIGPIPE that it inherits from here.
    std::string RunWithReader(const std::string& command, long keep) {
        int fds[2];
        if (pipe(fds) != 0) return "no pipe";
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string out;
        char buffer[256];
        while (keep < 0 || static_cast<long>(out.size()) < keep) {
            const size_t want =
                keep < 0 ? sizeof(buffer)
                         : std::min(sizeof(buffer), static_cast<size_t>(keep) - out.size());
            const ssize_t n = read(fds[0], buffer, want);
            if (n <= 0) break;
            out.append(buffer, static_cast<size_t>(n));
        }
        close(fds[0]);
        waitpid(child, &exitCode_, 0);
        elapsed_ = std::chrono::steady_clock::now() - start;
        stderr_ = ReadStderr();
        return out;
    }

    bool TraceHas(const std::string& prefix) const {
        const auto lines = Trace();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    }
    bool ExitedNormally() const { return WIFEXITED(exitCode_) && WEXITSTATUS(exitCode_) == 0; }
};

}  // namespace

TEST_F(StandardStreams, ClosedStandardInputEndsTheConsoleAtOnce) {
    const std::string out = RunWithReader(Command("/s", "<&-"), -1);
    EXPECT_EQ(out, VersionBlock("GT911_1050", "Unknow"));
    EXPECT_TRUE(ExitedNormally()) << exitCode_;
    EXPECT_LT(elapsed_, std::chrono::seconds(1));
    EXPECT_EQ(stderr_, "");
}

// The reader goes before the first byte or after it: the run still sends its whole download
// and the program ends as it would have.
class ReaderGone : public StandardStreams, public ::testing::WithParamInterface<long> {};

TEST_P(ReaderGone, SilentRunStillSendsTheWholeDownload) {
    WriteImage("GT911_1060.bin", 0x1060);
    const std::string out = RunWithReader(Command("/s /u", "</dev/null"), GetParam());
    EXPECT_EQ(out.size(), static_cast<size_t>(GetParam()));
    EXPECT_TRUE(ExitedNormally()) << exitCode_;
    EXPECT_TRUE(TraceHas(kIdentityAfterDownload));
    EXPECT_TRUE(TraceHas("# virtual time: slept"));
}

INSTANTIATE_TEST_SUITE_P(BeforeOrAfterTheFirstByte, ReaderGone, ::testing::Values(0L, 1L));
