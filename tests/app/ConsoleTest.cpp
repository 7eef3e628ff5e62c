#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/Console.h"
#include "app/QuillonDlg.h"
#include "app/StdOut.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "sim/SimBus.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/TempFolder.h"
#include "support/TestDialog.h"

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
        commands_.upgrade = [this] { done_ += 'u'; };
        commands_.reportVersion = [this] { done_ += 'v'; };
        commands_.listFiles = [this] { done_ += 'f'; };
        commands_.close = [this] { done_ += 'x'; };
    }
    std::string Out() const {
        std::string out;
        for (const auto& w : writes_) out += w;
        return out;
    }

    ConsoleCommands commands_;
    std::string done_;
    std::vector<std::string> writes_;
    StdOut out_{platform::CodePage(),
                [this](const std::string& bytes) { writes_.push_back(bytes); }};
};

// The help text; each line is a write of its own, the prompt the eighth.
std::vector<std::string> HelpWrites() {
    const std::string text =
        "Option cmd:\n v     Show current version\n f     Show avaliable files\n"
        " u     Upgrade FW/CFG\n x     Exit\n h     Help\nPlease input cmd\n>>";
    std::vector<std::string> writes;
    for (size_t from = 0; from < text.size();) {
        const size_t end = std::min(text.find('\n', from), text.size() - 1) + 1;
        writes.push_back(text.substr(from, end - from));
        from = end;
    }
    return writes;
}

}  // namespace

TEST(StandardOutput, WritesEightBitTextInItsCodePage) {
    struct Case {
        const char* codePage;
        std::string text, bytes;
    };
    const Case cases[] = {
        {"", "GT911 中文\n", "GT911 \xD6\xD0\xCE\xC4\n"},
        {"1252", "café 中\n", "caf\xE9 ?\n"},
    };
    for (const Case& c : cases) {
        std::string written;
        StdOut out(platform::CodePage(c.codePage),
                   [&written](const std::string& bytes) { written += bytes; });
        out.Write(c.text);
        EXPECT_EQ(written, c.bytes) << c.codePage;
    }
}

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
        RunConsole(input, out_, commands_);
        EXPECT_EQ(done_, c.done);
        EXPECT_EQ(Out(), c.out);
    }
}

TEST_F(Console, HelpIsEightWrites) {
    for (const char* input : {"h", "H"}) {
        writes_.clear();
        ScriptedInput scripted(input);
        RunConsole(scripted, out_, commands_);
        EXPECT_EQ(writes_, HelpWrites());
        EXPECT_EQ(writes_.size(), 8u);
    }
}

TEST_F(Console, EndOfInputClosesOnceAndStopsReading) {
    ScriptedInput input("v");
    RunConsole(input, out_, commands_);
    EXPECT_EQ(done_, "vx");
    EXPECT_EQ(input.Reads(), 2);
}

TEST_F(Console, CancelEndsAWaitingRead) {
    ScriptedInput input("f", true);
    std::thread console([&] { RunConsole(input, out_, commands_); });
    while (input.Reads() < 2) std::this_thread::yield();
    input.Cancel();
    console.join();
    EXPECT_EQ(done_, "fx");
}

namespace {

// A silent dialog over a simulated bridge with a GT911, its console reading `input`.
struct ConsoleDialog {
    explicit ConsoleDialog(platform::ByteInput& input) {
        folder.Write("System/AppConfigInit.ini", "[VID_LIST]\nVid List=27C6\n");
        auto chip = std::make_shared<sim::SimGt9xxxFlash>();
        chip->SetIdentity("911", 0x1050);
        chip->Attach(*bridge);
        bus.Plug(bridge);
        CQuillonDlg::Options options;
        options.commandLine = "/s";
        options.close = [this] { closed = true; };
        options.consoleInput = &input;
        dialog = std::make_unique<testsupport::TestDialog>(
            bus, app::Services{clock, settings, messages, standardOutput, folder.Files()}, options);
        dialog->OnInitDialog();
    }
    ~ConsoleDialog() { dialog.reset(); }
    std::string Out() {
        std::lock_guard<std::mutex> guard(mutex);
        return out;
    }

    platform::VirtualClock clock;
    testsupport::TempFolder folder;
    sim::SimBus bus{clock};
    std::shared_ptr<sim::SimBridge> bridge = std::make_shared<sim::SimBridge>(
        0x27C6, 0x0102, 0x0100, std::vector<sim::SimBridge::Interface>{{1}});
    platform::MemorySettingsStore settings;
    std::mutex mutex;
    std::string out;
    StdOut standardOutput{platform::CodePage(), [this](const std::string& bytes) {
                              std::lock_guard<std::mutex> guard(mutex);
                              out += bytes;
                          }};
    platform::StderrMessageService messages;
    std::atomic<bool> closed{false};
    std::unique_ptr<testsupport::TestDialog> dialog;
};

}  // namespace

TEST(ConsoleShutDown, DialogStopsAWaitingConsoleAndEndsTheRunBeforeTheDevice) {
    ScriptedInput input("u", true);
    {
        ConsoleDialog rig(input);
        while (input.Reads() < 2) std::this_thread::yield();
        // The console waits for input while the run may still be going on.
        rig.dialog.reset();
        const std::string out = rig.Out();
        EXPECT_NE(out.find("Upgrading...\nUpgrade success\n"), std::string::npos);
        EXPECT_EQ(out.substr(out.size() - 2), ">>");
    }
}

TEST(ConsoleShutDown, ExitAndEndOfInputCloseTheDialog) {
    for (const char* bytes : {"x", ""}) {
        ScriptedInput input(bytes);
        ConsoleDialog rig(input);
        while (!rig.closed) std::this_thread::yield();
    }
}
