#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/Console.h"
#include "app/StdOut.h"

namespace {

// Bytes fed by the test; once they are read the input ends, or, when kept open, waits for
// more until Cancel.
class ScriptedInput : public platform::ByteInput {
  public:
    explicit ScriptedInput(const std::string& bytes, bool keepOpen = false)
        : bytes_(bytes.begin(), bytes.end()), keepOpen_(keepOpen) {}
    int ReadByte() override {
        std::unique_lock<std::mutex> lock(mutex_);
        ++reads_;
        cv_.wait(lock, [this] { return !bytes_.empty() || !keepOpen_ || cancelled_; });
        if (cancelled_ || bytes_.empty()) return kEnd;
        const int byte = static_cast<unsigned char>(bytes_.front());
        bytes_.pop_front();
        return byte;
    }
    void Cancel() override {
        std::lock_guard<std::mutex> guard(mutex_);
        cancelled_ = true;
        cv_.notify_all();
    }
    int Reads() {
        std::lock_guard<std::mutex> guard(mutex_);
        return reads_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<char> bytes_;
    bool keepOpen_;
    bool cancelled_ = false;
    int reads_ = 0;
};

class Console : public ::testing::Test {
  protected:
    void SetUp() override {
        SetStdOutSink([this](const std::string& bytes) { writes_.push_back(bytes); });
        commands_.upgrade = [this] { done_ += 'u'; };
        commands_.reportVersion = [this] { done_ += 'v'; };
        commands_.listFiles = [this] { done_ += 'f'; };
        commands_.close = [this] { done_ += 'x'; };
    }
    void TearDown() override { SetStdOutSink(nullptr); }
    std::string Out() const {
        std::string out;
        for (const auto& w : writes_) out += w;
        return out;
    }

    ConsoleCommands commands_;
    std::string done_;
    std::vector<std::string> writes_;
};

const std::vector<std::string> kHelp = {"Option cmd:\n",
                                        " v     Show current version\n",
                                        " f     Show avaliable files\n",
                                        " u     Upgrade FW/CFG\n",
                                        " x     Exit\n",
                                        " h     Help\n",
                                        "Please input cmd\n",
                                        ">>"};

}  // namespace

TEST_F(Console, CommandsInEitherCase) {
    struct Case {
        std::string input;
        std::string done;  // commands run, in order; "x" also for the end of the input
        std::string out;
    };
    const Case cases[] = {
        {"v\n", "vx", ""},
        {"V", "vx", ""},
        {"uUfF", "uuffx", ""},
        {"\n\n", "x", ""},
        {"q", "x", "Unkonw cmd\n>>"},
        {"v\r\n", "vx", "Unkonw cmd\n>>"},
        {std::string("\0\xff", 2), "x", "Unkonw cmd\n>>Unkonw cmd\n>>"},
        {"", "x", ""},
        {"X", "x", ""},
        // Nothing is read after "x".
        {"xv", "x", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        done_.clear();
        writes_.clear();
        ScriptedInput input(c.input);
        RunConsole(input, commands_);
        EXPECT_EQ(done_, c.done);
        EXPECT_EQ(Out(), c.out);
    }
}

TEST_F(Console, HelpIsEightWrites) {
    for (const char* input : {"h", "H"}) {
        writes_.clear();
        ScriptedInput scripted(input);
        RunConsole(scripted, commands_);
        EXPECT_EQ(writes_, kHelp);
    }
}

TEST_F(Console, EndOfInputClosesOnceAndStopsReading) {
    ScriptedInput input("v");
    RunConsole(input, commands_);
    EXPECT_EQ(done_, "vx");
    EXPECT_EQ(input.Reads(), 2);
}

TEST_F(Console, CancelEndsAWaitingRead) {
    ScriptedInput input("f", true);
    std::thread console([&] { RunConsole(input, commands_); });
    while (input.Reads() < 2) std::this_thread::yield();
    input.Cancel();
    console.join();
    EXPECT_EQ(done_, "fx");
}
