// The executable on the standard streams it inherits: closed ones, and a reader of its output
// that goes away while it works.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

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
        if (pipe2(fds, O_CLOEXEC) != 0) return "no pipe";
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = Spawn(command, fds[1]);
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

// A closed standard output or error is the program's own no-one's: what the program writes
// to it lands nowhere, and no file, pipe or device it opens answers to that number. Every
// report of the session finds no chip settings file and cannot create one, so each writes a
// message to standard error.
struct ClosedCase {
    const char* name;
    const char* redirections;  // after the session's own
    bool outputOpen, errorOpen;
};

class ClosedStreams : public StandardStreams, public ::testing::WithParamInterface<ClosedCase> {};

TEST_P(ClosedStreams, SessionRunsAsOnOpenStreamsAndItsFilesHoldNoneOfItsOutput) {
    std::filesystem::remove_all(folder_ / "System" / "ChipIni");
    Write("input.bin", "v\n");
    // (Each command starts a fresh trace.)
    const auto session = [&] { return Command("/s", "<'" + Path("input.bin") + "'"); };
    const std::string out = RunWithReader(session(), -1);
    const std::string error = stderr_;
    const auto trace = Trace();
    ASSERT_EQ(out, VersionBlock("GT911_1050", "Unknow") + VersionBlock("GT911_1050", "Unknow"));
    ASSERT_NE(error, "");

    EXPECT_EQ(RunWithReader(session() + " " + GetParam().redirections, -1),
              GetParam().outputOpen ? out : "");
    EXPECT_EQ(stderr_, GetParam().errorOpen ? error : "");
    EXPECT_TRUE(ExitedNormally()) << exitCode_;
    // The same reports, and the trace file holds nothing but its own lines.
    EXPECT_EQ(Trace(), trace);
}

INSTANTIATE_TEST_SUITE_P(OutputErrorOrBoth, ClosedStreams,
                         ::testing::Values(ClosedCase{"Output", ">&-", false, true},
                                           ClosedCase{"Error", "2>&-", true, false},
                                           ClosedCase{"OutputAndError", ">&- 2>&-", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Standard error closed at the start is /dev/null while the program runs, not a number free
// for the next file, pipe or device it opens: seen while the console waits for a command.
TEST_F(StandardStreams, ClosedStandardErrorIsTheNullDeviceWhileTheConsoleWaits) {
    const std::string input = Path("input.fifo");
    ASSERT_EQ(mkfifo(input.c_str(), 0600), 0);
    // Held open here, so the console waits for a command that never comes.
    const int feed = open(input.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(feed, 0);
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    // The shell and env replace themselves: the child is the program.
    environment_ = "exec env";
    const pid_t child = Spawn(Command("/s", "<'" + input + "'") + " 2>&-", fds[1]);
    close(fds[1]);
    std::string out;
    const bool waiting = WaitWhileRunning(child, [&] {
        char buffer[256];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof(buffer))) > 0;)
            out.append(buffer, static_cast<size_t>(n));
        return out == VersionBlock("GT911_1050", "Unknow");
    });
    char target[64] = {};
    const ssize_t length =
        readlink(("/proc/" + std::to_string(child) + "/fd/2").c_str(), target, sizeof(target) - 1);
    Stop(child);
    close(fds[0]);
    close(feed);
    ASSERT_TRUE(waiting) << out;
    EXPECT_EQ(std::string(target, length > 0 ? static_cast<size_t>(length) : 0), "/dev/null");
}

// A controlling program that hands the program a non-blocking pipe and empties it only now and
// then: a write that finds the pipe full waits for room, so every line arrives in order.
TEST_F(StandardStreams, NonBlockingPipeReadSlowlyGetsEveryLine) {
    WriteImage("GT911_1060.bin", 0x1060);
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
    // One page: once full, nothing fits again until the reader has emptied it.
    fcntl(fds[1], F_SETPIPE_SZ, 4096);
    const pid_t child = Spawn(Command("/s /u", "</dev/null"), fds[1]);
    std::string out;
    const auto drain = [&] {
        char buffer[4096];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof(buffer))) > 0;)
            out.append(buffer, static_cast<size_t>(n));
    };
    // The test's own filler ('~') keeps the pipe full; between two fills it is emptied and
    // the program has a moment to write.
    const auto fill = [&] {
        const std::string filler(4096, '~');
        for (size_t piece = filler.size(); piece > 0; piece /= 2) {
            while (write(fds[1], filler.data(), piece) == static_cast<ssize_t>(piece)) {
            }
        }
    };
    for (bool ended = false; !ended;) {
        fill();
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        ended = waitpid(child, &exitCode_, WNOHANG) == child;
        drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    close(fds[1]);
    drain();
    close(fds[0]);
    out.erase(std::remove(out.begin(), out.end(), '~'), out.end());
    EXPECT_EQ(out, VersionBlock("GT911_1050", "Unknow") + "Upgrading...\nUpgrade success\n" +
                       VersionBlock("GT911_1060", "Unknow"));
    EXPECT_TRUE(ExitedNormally()) << exitCode_;
}
