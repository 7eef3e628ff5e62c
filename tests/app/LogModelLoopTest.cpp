#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/BasicUiLoop.h"
#include "app/LogModel.h"
#include "platform/Clock.h"

using namespace app;

namespace {

// Records which thread told each change, and lets a test wait for a change to come.
class ChangeRecorder {
  public:
    void Attach(LogModel& log) {
        log.SetChangeListener([this](const LogChange&) {
            std::lock_guard<std::mutex> guard(mutex_);
            threads_.push_back(std::this_thread::get_id());
            cv_.notify_all();
        });
    }
    bool WaitForCount(size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(10),
                            [&] { return threads_.size() >= count; });
    }
    std::vector<std::thread::id> Threads() {
        std::lock_guard<std::mutex> guard(mutex_);
        return threads_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::thread::id> threads_;
};

}  // namespace

TEST(LogModelOnLoop, TimersDrainAndTurnOnVirtualTime) {
    platform::VirtualClock clock;
    BasicUiLoop loop(clock);  // driven step by step, no loop thread
    LogModel log(&loop);
    log.AppendLog("Start", LogTitle);  // no loop runs: drawn on this thread at once
    EXPECT_EQ(log.Text(), "Start\n");
    EXPECT_TRUE(loop.IsTimerActive(&log, LogModel::kDrainTimer));
    EXPECT_FALSE(loop.IsTimerActive(&log, LogModel::kSpinnerTimer));

    log.AppendLog("Detect", LogBusy);
    clock.Advance(29);
    loop.RunPending();
    EXPECT_EQ(log.Text(), "Start\n");  // the drain timer has not come yet
    clock.Advance(1);
    loop.RunPending();
    EXPECT_EQ(log.Text(), "Start\nDetect:-");
    EXPECT_TRUE(loop.IsTimerActive(&log, LogModel::kSpinnerTimer));

    // The spinner turns every 80 ms; the first turn shows "\".
    clock.Advance(79);
    loop.RunPending();
    EXPECT_EQ(log.Text(), "Start\nDetect:-");
    clock.Advance(1);
    loop.RunPending();
    EXPECT_EQ(log.Text(), "Start\nDetect:\\");
    clock.Advance(80);
    loop.RunPending();
    EXPECT_EQ(log.Text(), "Start\nDetect:|");

    log.AppendLog("# ok", LogSuccess);
    clock.Advance(30);
    loop.RunPending();
    EXPECT_EQ(log.Text(), "Start\nDetect: ok\n");
    EXPECT_FALSE(loop.IsTimerActive(&log, LogModel::kSpinnerTimer));
}

TEST(LogModelOnLoop, FirstAppendWaitsForTheLoopAndChangesComeOnIt) {
    platform::VirtualClock clock;
    BasicUiLoop loop(clock);
    ChangeRecorder recorder;
    std::thread::id loopThread;
    std::thread runner([&] {
        loopThread = std::this_thread::get_id();
        loop.Run();
    });
    // Wait until the loop runs, so that the first append has a loop to wait for.
    while (!loop.IsRunning()) std::this_thread::yield();
    {
        LogModel log(&loop);
        recorder.Attach(log);
        log.AppendLog("first", LogInfo);
        EXPECT_EQ(log.Text(), "first\n");  // drawn before the append returned
        log.AppendLog("second", LogInfo);
        ASSERT_TRUE(recorder.WaitForCount(2));  // drawn by the drain timer
        EXPECT_EQ(log.Text(), "first\nsecond\n");
        log.Clear();  // runs on the loop too; the caller waits for it
        EXPECT_EQ(log.Text(), "");
        const std::vector<std::thread::id> threads = recorder.Threads();
        ASSERT_EQ(threads.size(), 3u);
        for (const std::thread::id& id : threads) EXPECT_EQ(id, loopThread);
    }
    // The model is gone and so are its timers.
    loop.Post([&] { loop.Quit(); });
    runner.join();
}

TEST(LogModelOnLoop, DestroyedModelLeavesNoTimers) {
    platform::SteadyClock steady;
    BasicUiLoop loop(steady);
    auto log = std::make_unique<LogModel>(&loop);
    log->AppendLog("Busy", LogBusy);
    EXPECT_TRUE(loop.IsTimerActive(log.get(), LogModel::kDrainTimer));
    EXPECT_TRUE(loop.IsTimerActive(log.get(), LogModel::kSpinnerTimer));
    const void* owner = log.get();
    log.reset();
    EXPECT_FALSE(loop.IsTimerActive(owner, LogModel::kDrainTimer));
    EXPECT_FALSE(loop.IsTimerActive(owner, LogModel::kSpinnerTimer));
}
